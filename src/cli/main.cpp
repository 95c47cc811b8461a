// tarnix-cli: Tarnix without a window. Each command lives in its own file; this table lists them.

#include <iostream>
#include <string_view>

#include "cli/CaptureCommands.h"
#include "cli/CliCommon.h"
#include "cli/DocumentCommands.h"
#include "cli/EditCommands.h"
#include "cli/MediaCommands.h"

namespace {

using namespace tarnix::cli;

struct Command {
    std::string_view name;
    std::string_view usage;
    int (*run)(const Arguments&);
};

const Command kCommands[] = {
    {"validate", "validate DOC.json            check that a recording document decodes", runValidate},
    {"autozoom", "autozoom DOC.json            print the automatic zoom regions as JSON", runAutozoom},
    {"zoom-at", "zoom-at DOC.json T           print the zoom rectangle at T seconds", runZoomAt},
    {"export", "export DOC.json [--resolution source|4k|1080p|720p] [--format mp4|gif] [--out FILE]\n"
               "                               export the edited recording to an MP4 movie or an\n"
               "                               animated GIF (at most 15 frames a second, 960 pixels wide)", runExport},
    {"frame", "frame DOC.json T --out F.png  render the composed frame at T seconds (recording time;\n"
              "                               inside a cut, the frame just after it)", runFrame},
    {"cut", "cut DOC.json START END       cut START...END seconds out of the recording; merges with\n"
            "                               the cuts it overlaps or touches, refuses to cut everything,\n"
            "                               and saves the document in place", runCut},
    {"demo", "demo [--out DIR]             make a synthetic recording, export it, write a contact sheet", runDemo},
    {"sources", "sources                      list displays, windows, applications, cameras, microphones", runSources},
    {"record", "record --source ID [--camera ID] [--mic ID] [--system-audio] [--duration SECONDS] [--out DIR]\n"
               "                               record until the duration has passed or Ctrl-C", runRecord},
};

void printUsage(std::ostream& out)
{
    out << "usage: tarnix-cli COMMAND [ARGUMENTS]\n\ncommands:\n";
    for (const auto& command : kCommands)
        out << "  " << command.usage << "\n";
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        printUsage(std::cerr);
        return kExitUsage;
    }
    std::string_view name = argv[1];
    if (name == "help" || name == "--help" || name == "-h") {
        printUsage(std::cout);
        return kExitOk;
    }
    for (const auto& command : kCommands) {
        if (command.name != name)
            continue;
        Arguments args(argv + 2, argv + argc);
        try {
            return command.run(args);
        } catch (const UsageError& error) {
            std::cerr << "tarnix-cli " << name << ": " << error.what() << "\nusage: tarnix-cli "
                      << command.usage << "\n";
            return kExitUsage;
        } catch (const InputError& error) {
            std::cerr << error.what() << "\n";
            return kExitUsage;
        } catch (const std::exception& error) {
            std::cerr << "tarnix-cli " << name << ": " << error.what() << "\n";
            return kExitFailure;
        }
    }
    std::cerr << "tarnix-cli: unknown command \"" << name << "\"\n";
    printUsage(std::cerr);
    return kExitUsage;
}
