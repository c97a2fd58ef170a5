// fy: Fennory from the command line, for scripts and for people who live in
// a terminal. See `fy --help` and `fy COMMAND --help`.
#include <windows.h>

#include <CLI/CLI.hpp>

#include <cstdio>
#include <string>

#include "console_boxes.h"
#include "fy_commands.h"
#include "module.h"

int main(int argc, char** argv)
{
    g_hInstance = GetModuleHandleA(nullptr);   // the module's strings are linked in
    ConsoleBoxes boxes;

    CLI::App app{"fy - keep earlier versions of files with Fennory.\n\n"
                 "Versions are kept in an archive beside each file, or in the versions folder\n"
                 "named in the Fennory settings. Version 0 stands for the working file itself.",
                 "fy"};
    app.require_subcommand(1);
    app.footer("Exit codes: 0 done, 1 failed, 2 bad command line, 3 no such file, 4 a folder,\n"
               "5 path too long, 6 damaged archive, 7 archive in use, 8 nothing to do,\n"
               "9 no such version. fy diff gives 1 when the versions differ.");

    std::string file, comment, destination;
    bool permanent = false, csv = false;
    int version = 0, left = 0, right = 0;

    CLI::App* save = app.add_subcommand("save", "Save the file's current state as a new version");
    save->add_option("FILE", file, "The working file")->required();
    CLI::Option* commentOption =
        save->add_option("-m,--message", comment, "Comment of the new version (without it, Fennory's dialog asks)");
    save->add_flag("-p,--permanent", permanent, "Keep the version until it is deleted by hand");

    CLI::App* log = app.add_subcommand("log", "List the file's versions, newest first");
    log->add_option("FILE", file, "The working file")->required();
    log->add_flag("--csv", csv, "Comma-separated values with a header line, for spreadsheets and scripts");

    CLI::App* cat = app.add_subcommand("cat", "Write one version's content to standard output");
    cat->add_option("FILE", file, "The working file")->required();
    cat->add_option("N", version, "Version number (0: the working file)")->required()->check(CLI::Range(0, 65535));

    CLI::App* restore = app.add_subcommand(
        "restore", "Make version N the working file again (the current state is saved as a version first)");
    restore->add_option("FILE", file, "The working file")->required();
    restore->add_option("N", version, "Version number")->required()->check(CLI::Range(1, 65535));

    CLI::App* diff = app.add_subcommand("diff", "Show the line differences between two versions of a text file");
    diff->add_option("FILE", file, "The working file")->required();
    diff->add_option("A", left, "Older version (0: the working file)")->required()->check(CLI::Range(0, 65535));
    diff->add_option("B", right, "Newer version (0: the working file)")->required()->check(CLI::Range(0, 65535));

    CLI::App* info = app.add_subcommand("info", "Tell whether the file has an archive, its versions and size");
    info->add_option("FILE", file, "The working file")->required();

    CLI::App* history = app.add_subcommand("history", "Open the file's version history window");
    history->add_option("FILE", file, "The working file")->required();

    CLI::App* retrieve = app.add_subcommand("retrieve", "Choose a version in the Retrieve Version dialog and write it out");
    retrieve->add_option("FILE", file, "The working file")->required();
    CLI::Option* destinationOption =
        retrieve->add_option("DEST", destination, "Where to write the version (without it, the dialog asks)");

    CLI::App* settings = app.add_subcommand("settings", "Show the Fennory settings in force");

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return kExitUsage;
    }

    if (save->parsed())
        return SaveCommand(file, commentOption->count() ? &comment : nullptr, permanent);
    if (log->parsed())
        return LogCommand(file, csv);
    if (cat->parsed())
        return CatCommand(file, version);
    if (restore->parsed())
        return RestoreCommand(file, version);
    if (diff->parsed())
        return DiffCommand(file, left, right);
    if (info->parsed())
        return InfoCommand(file);
    if (history->parsed())
        return HistoryCommand(file);
    if (retrieve->parsed())
        return RetrieveCommand(file, destinationOption->count() ? &destination : nullptr);
    if (settings->parsed())
        return SettingsCommand();
    return kExitUsage;
}
