// Console output of a GUI program. A program started from a console with its output
// redirected (a pipe or a file) already holds real standard handles, and those are used as they
// are; otherwise the parent's console is attached and written to. Standard output is never
// reopened, since that would drop a redirection.
#pragma once

#include <string_view>

namespace qx {

void attach_parent_console();
// UTF-8 text to standard output or standard error; nothing happens when there is neither a
// handle nor a console.
void write_stdout(std::string_view text);
void write_stderr(std::string_view text);

}  // namespace qx
