// Command framework of cvxcfg: the command table, argument parsing, help,
// errors and exit codes.
#pragma once
#include <map>
#include <string>
#include <vector>

namespace cvxcfg {

// Exit codes, the same for every command.
enum ExitCode {
    kDone = 0,     // the command did what was asked
    kProblems = 1, // check found inconsistencies
    kUsage = 2,    // the command line is wrong: nothing was changed
    kRefused = 3,  // the library refused, or the store has no such thing
};

// Ends a command: main prints "cvxcfg: <message>" on stderr and exits
// with the code.
struct Failure {
    int code;
    std::string message;
};
[[noreturn]] void FailUsage(const std::string &message);
[[noreturn]] void FailRefused(const std::string &message);

// "value" in double quotes, as error messages name the value given.
std::string Quote(const std::string &value);

struct OptionSpec {
    const char *name;      // without the leading "--"
    const char *valueName; // null for a flag
    const char *help;
};

struct Invocation;
using Handler = int (*)(Invocation &);

struct Command {
    const char *family; // "groups"
    const char *verb;   // "add"; "" for the family's plain form ("server")
    const char *args;   // "NAME [LINE...]", shown in the usage line
    const char *summary;
    const char *details; // further help text, or null
    int minArgs;
    int maxArgs; // -1: any number
    std::vector<OptionSpec> options;
    Handler run;
};

struct Invocation {
    const Command *command = nullptr;
    std::vector<std::string> args;
    std::map<std::string, std::string> options; // flags map to ""
    bool json = false;

    bool Has(const char *option) const { return options.count(option) != 0; }
    const std::string &Value(const char *option) const { return options.at(option); }
    // The option's value as a decimal number; a usage failure names the
    // option and the text when it is not one.
    long long Number(const char *option) const;
    // Same for a positional argument; what names it in the message.
    long long NumberArg(size_t index, const char *what) const;
    // "yes"/"y"/"no"/"n" (any case) of an option.
    bool YesNo(const char *option) const;
    std::string Name() const; // "groups add"
};

// Parses a decimal number (optional sign); false when text is not one or
// does not fit in 32 bits.
bool ParseNumber(const std::string &text, long long *value);

class CommandTable {
public:
    void Add(Command command) { commands_.push_back(std::move(command)); }
    // Runs the command line; returns the exit code.
    int Run(int argc, char **argv);

private:
    const Command *Find(const std::string &family, const std::string &verb) const;
    bool HasFamily(const std::string &family) const;
    void PrintOverview() const;
    void PrintFamilyHelp(const std::string &family) const;
    void PrintHelp(const Command &command) const;
    int Dispatch(std::vector<std::string> words);

    std::vector<Command> commands_;
};

// Registration of each family's commands.
void AddServerCommands(CommandTable &table);
void AddPortCommands(CommandTable &table);
void AddGroupCommands(CommandTable &table);
void AddServiceCommands(CommandTable &table);
void AddIpcCommands(CommandTable &table);
void AddClientCommands(CommandTable &table);
void AddCheckCommand(CommandTable &table);

}  // namespace cvxcfg
