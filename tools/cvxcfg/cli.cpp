#include "cli.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "output.h"

namespace cvxcfg {

void FailUsage(const std::string &message) { throw Failure{kUsage, message}; }
void FailRefused(const std::string &message) { throw Failure{kRefused, message}; }

std::string Quote(const std::string &value) { return "\"" + value + "\""; }

bool ParseNumber(const std::string &text, long long *value)
{
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    if (i == text.size()) return false;
    long long n = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        n = n * 10 + (text[i] - '0');
        if (n > 0xFFFFFFFFLL) return false;
    }
    *value = negative ? -n : n;
    return *value >= -0x80000000LL;
}

long long Invocation::Number(const char *option) const
{
    long long n = 0;
    const std::string &text = Value(option);
    if (!ParseNumber(text, &n)) FailUsage(Name() + ": --" + option + " takes a number, not " + Quote(text));
    return n;
}

long long Invocation::NumberArg(size_t index, const char *what) const
{
    long long n = 0;
    if (!ParseNumber(args.at(index), &n)) FailUsage(Name() + ": " + what + " must be a number, not " + Quote(args[index]));
    return n;
}

bool Invocation::YesNo(const char *option) const
{
    const std::string &text = Value(option);
    if (_stricmp(text.c_str(), "yes") == 0 || _stricmp(text.c_str(), "y") == 0) return true;
    if (_stricmp(text.c_str(), "no") == 0 || _stricmp(text.c_str(), "n") == 0) return false;
    FailUsage(Name() + ": --" + option + " takes yes or no, not " + Quote(text));
}

std::string Invocation::Name() const
{
    std::string name = command->family;
    if (*command->verb) name += std::string(" ") + command->verb;
    return name;
}

namespace {

// Options every command takes.
const OptionSpec kCommonOptions[] = {
    {"json", nullptr, "print the result as JSON (UTF-8)"},
    {"help", nullptr, "show this help"},
};

const OptionSpec *FindOption(const Command &command, const std::string &name)
{
    for (const OptionSpec &option : command.options)
        if (name == option.name) return &option;
    for (const OptionSpec &option : kCommonOptions)
        if (name == option.name) return &option;
    return nullptr;
}

std::string UsageLine(const Command &command)
{
    std::string line = std::string("cvxcfg ") + command.family;
    if (*command.verb) line += std::string(" ") + command.verb;
    if (*command.args) line += std::string(" ") + command.args;
    if (!command.options.empty()) line += " [options]";
    return line;
}

}  // namespace

const Command *CommandTable::Find(const std::string &family, const std::string &verb) const
{
    for (const Command &command : commands_)
        if (family == command.family && verb == command.verb) return &command;
    return nullptr;
}

bool CommandTable::HasFamily(const std::string &family) const
{
    for (const Command &command : commands_)
        if (family == command.family) return true;
    return false;
}

void CommandTable::PrintOverview() const
{
    std::printf("usage: cvxcfg COMMAND [SUBCOMMAND] [ARGS] [--json] [--help]\n\n"
                "Reads and changes the Calvex configuration through cvxutil.dll.\n\ncommands:\n");
    for (const Command &command : commands_) {
        std::string head = std::string(command.family) + (*command.verb ? " " : "") + command.verb;
        if (*command.args) head += std::string(" ") + command.args;
        std::printf("  %-44s %s\n", head.c_str(), command.summary);
    }
    std::printf("\n'cvxcfg COMMAND --help' describes a command and its options.\n"
                "exit codes: 0 done, 1 check found problems, 2 wrong command line (nothing changed),\n"
                "            3 the library refused or the store has no such thing\n");
}

void CommandTable::PrintFamilyHelp(const std::string &family) const
{
    std::printf("%s commands:\n", family.c_str());
    for (const Command &command : commands_)
        if (family == command.family) std::printf("  %-40s %s\n", UsageLine(command).c_str(), command.summary);
    std::printf("\n'cvxcfg %s SUBCOMMAND --help' describes one of them.\n", family.c_str());
}

void CommandTable::PrintHelp(const Command &command) const
{
    std::printf("usage: %s\n\n%s\n", UsageLine(command).c_str(), command.summary);
    if (command.details) std::printf("\n%s\n", command.details);
    std::printf("\noptions:\n");
    auto print = [](const OptionSpec &option) {
        std::string head = std::string("--") + option.name;
        if (option.valueName) head += std::string(" ") + option.valueName;
        std::printf("  %-26s %s\n", head.c_str(), option.help);
    };
    for (const OptionSpec &option : command.options) print(option);
    for (const OptionSpec &option : kCommonOptions) print(option);
}

int CommandTable::Run(int argc, char **argv)
{
    std::vector<std::string> words(argv + 1, argv + argc);
    try {
        return Dispatch(std::move(words));
    } catch (const Failure &failure) {
        std::fflush(stdout);
        // Messages quote names read from files and the registry.
        std::fprintf(stderr, "cvxcfg: %s\n", Shown(failure.message).c_str());
        if (failure.code == kUsage) std::fprintf(stderr, "(cvxcfg help lists the commands)\n");
        return failure.code;
    }
}

int CommandTable::Dispatch(std::vector<std::string> words)
{
    // Options before the command: only the common ones.
    bool help = false, json = false;
    size_t i = 0;
    for (; i < words.size() && words[i].size() > 1 && words[i][0] == '-'; ++i) {
        if (words[i] == "--help" || words[i] == "-h") help = true;
        else if (words[i] == "--json") json = true;
        else FailUsage("unknown option " + Quote(words[i]) + " before the command");
    }
    if (i == words.size()) {
        if (help) return PrintOverview(), kDone;
        FailUsage("no command given");
    }
    std::string family = words[i++];
    if (family == "help") {
        if (i == words.size()) return PrintOverview(), kDone;
        family = words[i++];
        help = true;
    }
    if (!HasFamily(family)) FailUsage("unknown command " + Quote(family));

    const Command *command = nullptr;
    if (i < words.size() && words[i][0] != '-') command = Find(family, words[i]);
    if (command) ++i;
    else command = Find(family, "");
    if (!command) {
        if (help || i == words.size()) {
            PrintFamilyHelp(family);
            if (help) return kDone;
            FailUsage(family + ": no subcommand given");
        }
        FailUsage(family + ": unknown subcommand " + Quote(words[i]));
    }

    Invocation call;
    call.command = command;
    call.json = json;
    bool optionsEnd = false;
    for (; i < words.size(); ++i) {
        const std::string &word = words[i];
        if (optionsEnd || word.size() < 2 || word[0] != '-') {
            call.args.push_back(word);
            continue;
        }
        if (word == "--") {
            optionsEnd = true;
            continue;
        }
        if (word == "-h") {
            help = true;
            continue;
        }
        std::string name = word.substr(word[1] == '-' ? 2 : 1), value;
        size_t equals = name.find('=');
        bool hasValue = equals != std::string::npos;
        if (hasValue) value = name.substr(equals + 1), name.resize(equals);
        const OptionSpec *option = FindOption(*command, name);
        if (!option || word[1] != '-') FailUsage(call.Name() + ": unknown option " + Quote(word));
        if (option->valueName && !hasValue) {
            if (i + 1 == words.size()) FailUsage(call.Name() + ": option --" + name + " needs " + option->valueName);
            value = words[++i];
        } else if (!option->valueName && hasValue) {
            FailUsage(call.Name() + ": option --" + name + " takes no value, given " + Quote(value));
        }
        if (name == "help") help = true;
        else if (name == "json") call.json = true;
        else call.options[name] = value;
    }
    if (help) return PrintHelp(*command), kDone;
    int count = static_cast<int>(call.args.size());
    if (count < command->minArgs)
        FailUsage(call.Name() + ": missing argument (usage: " + UsageLine(*command) + ")");
    if (command->maxArgs >= 0 && count > command->maxArgs)
        FailUsage(call.Name() + ": unexpected argument " + Quote(call.args[command->maxArgs]) +
                  " (usage: " + UsageLine(*command) + ")");
    return command->run(call);
}

}  // namespace cvxcfg
