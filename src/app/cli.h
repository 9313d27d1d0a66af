// The command-line sub-commands: each runs headless through the same document
// and codec code as the menus, writes errors in plain words and returns the
// process exit code.
#pragma once
#include <QStringList>
#include <QTextStream>
#include <span>

namespace orugif::cli {

struct Command {
    const char* name;
    const char* usage;  // shown by the usage text, e.g. "info FILE.gif"
    int (*run)(const QStringList& args, QTextStream& out, QTextStream& err);
};

// Every sub-command the program knows, in the order the usage text lists them.
std::span<const Command> commands();

// The program's arguments after its name, taken before the application
// object exists and never given to it: a name that looks like a toolkit
// option ("-reverse", "-platform", ...) stays a name, and a name that is not
// UTF-8 keeps its bytes (see common/filename.h).
QStringList argumentsOf(int argc, char** argv);

// True when argv[1] names a sub-command or an option handled without windows.
bool isHeadless(int argc, char** argv);

// Runs the sub-command named by args[0] (args exclude the program name).
int run(const QStringList& args, QTextStream& out, QTextStream& err);

} // namespace orugif::cli
