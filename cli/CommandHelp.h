#pragma once

#include <string>
#include <vector>

namespace tabrix::cli {

/// One option of a command: its English name (as typed) and what it does, in Chinese.
struct OptionHelp {
    const char* name;
    const char* text;
};

/// What `tabrix-cli COMMAND --help`, the overview and the man page say about one command.
struct CommandHelp {
    const char* name;
    const char* arguments; ///< the synopsis after the name
    const char* summary;   ///< one line for the overview
    const char* details;   ///< what it does, for the command's own help and the man page
    std::vector<OptionHelp> options;
};

const std::vector<CommandHelp>& commands();
const CommandHelp* helpFor(const std::string& name);

/// The overview (`tabrix-cli --help`): every command with its synopsis and summary, global options, exit codes.
std::string overview();
/// One command's help: synopsis, what it does, its options, exit codes.
std::string commandText(const CommandHelp& command);
/// The manual page tabrix-cli(1) in roff, made from the same texts.
std::string manPage(const std::string& version);

} // namespace tabrix::cli
