#pragma once

// The demo host's command line for moving settings in bulk, with no window:
//   --export FILE [--with-passwords] [CONNSTR]   every row under the root
//   --import FILE [--under KEY] [CONNSTR]        under the root or a folder
// Exit status 0 on success; otherwise 1 with what went wrong on stderr,
// said as the account list says it, or 2 for wrong arguments.
namespace Transfer {

bool isAskedFor(int argc, char *argv[]);
int run(int argc, char *argv[]);

} // namespace Transfer
