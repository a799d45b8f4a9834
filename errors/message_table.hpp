// The memory of the error handler: which messages were reported, and how
// often, for the print limit and for the summary printed before a stop.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace errors {

/// Characters of a message text that identify it in the table.
inline constexpr std::size_t MESSAGE_KEY_LENGTH = 20;

struct MessageEntry {
  std::string key;  // first 20 characters of the text, blank-padded
  int NERR = 0;     // error number
  int LEVEL = 0;
  int COUNT = 0;  // occurrences; 0 marks a free entry
};

/// Ten entries in order of first occurrence, and the count of the
/// occurrences that found neither a matching nor a free entry.
struct MessageTable {
  std::array<MessageEntry, 10> entries{};
  int other_errors = 0;
};

const MessageTable& message_table();

/// For tests: a run starts with an empty table.
void reset_message_table();

/// Counts one occurrence of a message. Two reports are the same message
/// when the first 20 characters of their texts, their error numbers and
/// their levels are equal.
///
/// @return the count of this message after this occurrence; 1 for a
///         message that found no entry in the full table
int record_message(std::string_view text, int NERR, int LEVEL);

/// Prints the table as the error message summary on the console; prints
/// nothing at all when no message was recorded.
void print_error_summary();

}  // namespace errors
