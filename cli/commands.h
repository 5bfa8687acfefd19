// The subcommands of nubra-cli. Each takes the arguments that follow its
// name and returns the process exit status.
#pragma once

#include <string>
#include <vector>

namespace nubra::cli {

using Args = std::vector<std::string>;

struct Command {
    const char* name;
    int (*run)(const Args& args);
    const char* usage;    // one line, French
    const char* summary;  // one line, French
};

int RunUnzip(const Args& args);

} // namespace nubra::cli
