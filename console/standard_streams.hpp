// The three standard descriptors of a process, made safe to rely on.
#pragma once

namespace console {

/// Makes sure that standard input, output and error (descriptors 0, 1 and
/// 2) are open, opening the null device on each one that is closed. A
/// program started with one of them closed would otherwise hand that number
/// to the next file it opens, and its console text or messages would land
/// in that file. Call it first thing in main, before any file is opened.
///
/// @return false when a closed descriptor could not be opened: the program
///         should then end at once with exit status 1, opening nothing
bool open_standard_streams();

}  // namespace console
