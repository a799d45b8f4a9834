#include "errors/message_table.hpp"

#include "console/fields.hpp"
#include "console/records.hpp"

namespace errors {

namespace {

MessageTable& table() {
  static MessageTable record;
  return record;
}

std::string key_of(std::string_view text) {
  std::string key(text.substr(0, MESSAGE_KEY_LENGTH));
  key.resize(MESSAGE_KEY_LENGTH, ' ');
  return key;
}

}  // namespace

const MessageTable& message_table() { return table(); }

void reset_message_table() { table() = {}; }

int record_message(std::string_view text, int NERR, int LEVEL) {
  const std::string key = key_of(text);
  for (MessageEntry& entry : table().entries) {
    if (entry.COUNT == 0) {
      entry = {key, NERR, LEVEL, 1};
      return 1;
    }
    if (entry.key == key && entry.NERR == NERR && entry.LEVEL == LEVEL) {
      return ++entry.COUNT;
    }
  }
  ++table().other_errors;
  return 1;
}

void print_error_summary() {
  const MessageTable& t = table();
  if (t.entries[0].COUNT == 0) return;
  console::write_record("");
  console::write_record("          ERROR MESSAGE SUMMARY");
  console::write_record("MESSAGE START             NERR     LEVEL     COUNT");
  for (const MessageEntry& entry : t.entries) {
    if (entry.COUNT == 0) break;
    console::write_record(entry.key + console::int_field(entry.NERR, 10) +
                          console::int_field(entry.LEVEL, 10) +
                          console::int_field(entry.COUNT, 10));
  }
  if (t.other_errors != 0) {
    console::write_record("");
    console::write_record("OTHER ERRORS NOT INDIVIDUALLY TABULATED=" +
                          console::int_field(t.other_errors, 10));
  }
  console::write_record("");
}

}  // namespace errors
