// Appending a whole line to a file the user keeps (a journal): one write of the whole line
// at the file's end, so that no reader ever sees half of it beside another program's line,
// and a write that fails half-way is taken back. The caller holds the file's lock
// (base/file_lock.h). One file per platform: append_file_posix.cpp, append_file_win32.cpp.
#pragma once

#include <string>
#include <string_view>

// Appends `line` (which ends with '\n') to the file at `path`, creating the file when
// missing, and flushes it to the disk. When the file does not end with a line end (a line
// cut short by a crash, or written by hand), one goes before `line`, so that both stay
// lines of their own. False, with the file as it was, when any step fails; the system's
// error is then LastSystemError().
bool AppendWholeLine(const std::string& path, std::string_view line);
