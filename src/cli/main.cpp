// tarnix-cli: Tarnix without a window. Each command lives in its own file; this table lists them.

extern "C" {
#include <libavutil/log.h>
}

#include <algorithm>
#include <iostream>
#include <string_view>

#include "cli/CaptureCommands.h"
#include "cli/CliCommon.h"
#include "cli/DocumentCommands.h"
#include "cli/EditCommands.h"
#include "cli/MediaCommands.h"
#include "cli/RecoveryCommands.h"
#include "cli/ThumbnailCommand.h"
#include "app/StopSignals.h"

namespace {

using namespace tarnix::cli;

struct Command {
    std::string_view name;
    std::string_view usage;
    int (*run)(const Arguments&);
    std::string_view help; // what `COMMAND --help` adds below the usage
};

const Command kCommands[] = {
    {"validate", "validate DOC.json            check that a recording document decodes", runValidate,
     "Prints \"ok\", or names the first value that is wrong and exits with 2."},
    {"autozoom", "autozoom DOC.json            print the automatic zoom regions as JSON", runAutozoom,
     "The regions Tarnix would make for the recording's focus changes and clicks. The movie is not\n"
     "read, so a region may end after it (a recording that stops holds its regions to its end)."},
    {"zoom-at", "zoom-at DOC.json T           print the zoom rectangle at T seconds", runZoomAt,
     "Prints [[x, y], [width, height]] in fractions of the captured area: the part on screen,\n"
     "always of the frame's shape (equal fractions), even for a region stored with unequal sides."},
    {"export", "export DOC.json [--resolution source|4k|1080p|720p] [--format mp4|gif] [--fps 30|60]\n"
               "                               [--out FILE] [--loudness LUFS]\n"
               "                               export the edited recording to an MP4 movie, or to a\n"
               "                               silent animated GIF of at most 15 frames a second and\n"
               "                               960 pixels on its long side", runExport,
     "The movie has 30 frames a second; --fps 60 makes 60, for recordings made at more than 30\n"
     "(the zoom, the cursor and the ripples then move more smoothly too).\n"
     "Without --out the file goes beside the screen movie as NAME-edited.mp4 (then -edited-2.mp4,\n"
     "...), or NAME-edited.gif with --format gif. The document's cuts, canvas aspect and cursor\n"
     "smoothing apply. An existing file is never replaced: --out onto one fails. Ctrl-C, SIGTERM\n"
     "or SIGHUP cancel the export and leave no file.\n"
     "--loudness brings the movie's mixed sound to that integrated loudness (EBU R128, -40 to -5\n"
     "LUFS; -16 suits most videos) with one gain for the whole movie and a limiter that keeps\n"
     "peaks under -1 dBTP. Without it the sound is left as mixed."},
    {"frame", "frame DOC.json T --out F.png  render the composed frame at T seconds (recording time;\n"
              "                               inside a cut, the frame just after it)", runFrame,
     "The picture type follows the name: .png, or .jpg / .jpeg. An existing file is never replaced."},
    {"thumbnail", "thumbnail DOC.json OUT.png [--size N]\n"
                  "                               write a thumbnail of the recording: the composed frame at\n"
                  "                               a third of it, at most N pixels wide and high (default 256)",
     runThumbnail,
     "Made for file managers (share/thumbnailers/tarnix.thumbnailer). The picture is PNG whatever\n"
     "its name. It reads only the document and the regular files it names, gives up after 8\n"
     "seconds and fails cleanly beyond 2 GB of memory. An existing picture is never replaced,\n"
     "except an empty file (a placeholder made by the program that asked for the thumbnail)."},
    {"cut", "cut DOC.json START END       cut START...END seconds out of the recording; merges with\n"
            "                               the cuts it overlaps or touches, refuses to cut everything,\n"
            "                               and saves the document in place", runCut,
     "The document is replaced whole (written beside it, then renamed over it), never half-written."},
    {"text", "text DOC.json START END TEXT [--at X,Y] [--size N] [--color #RRGGBB] [--background]\n"
             "                               show TEXT from START to END seconds over the picture and\n"
             "                               save the document in place", runText,
     "--at places the centre of the text in fractions of the picture (0,0 its top left; default\n"
     "0.5,0.85), --size is the line height in fractions of its height (default 0.06), --color\n"
     "the text's colour (default #FFFFFF), --background puts a rounded pill behind it. The box\n"
     "stays put when the picture zooms. The document is replaced whole, never half-written."},
    {"speed", "speed DOC.json START END FACTOR\n"
              "                               play START...END seconds of the recording FACTOR times as\n"
              "                               fast (0.25, 0.5, 1.5, 2, 4 or 8) and save the document in place",
     runSpeed,
     "The span replaces the speed of any span it overlaps. The sound keeps its pitch up to 4 times\n"
     "as fast and is silent above. The cuts still apply: the movie lasts each kept span divided by\n"
     "its speed. The document is replaced whole, never half-written."},
    {"speed-idle", "speed-idle DOC.json          play the idle stretches of the recording 8 times as fast\n"
                   "                               and save the document in place", runSpeedIdle,
     "A stretch is idle when for 3 seconds or more the pointer doesn't move, nothing is clicked\n"
     "or typed, the focus stays and the screen doesn't change (looked at 4 times a second)."},
    {"demo", "demo [--out DIR]             make a synthetic recording, export it, write a contact sheet", runDemo,
     "Writes the movies, the document, the export and the contact sheet into DIR (default: a\n"
     "tarnix-demo folder in the temporary folder); a folder that already holds a demo is left\n"
     "alone and the new one goes to DIR-2, DIR-3, ..."},
    {"sources", "sources                      list displays, windows, applications, cameras, microphones", runSources,
     "Each line starts with the identifier that record's --source, --camera and --mic take.\n"
     "Exits with 1 when a listing failed."},
    {"record", "record --source ID [--camera ID] [--mic ID] [--system-audio] [--keys | --all-keys]\n"
               "       [--area X,Y,W,H] [--duration SECONDS] [--out DIR]\n"
               "                               record until the duration has passed or Ctrl-C", runRecord,
     "Ctrl-C, SIGTERM or SIGHUP stop the recording as the Stop button does: the movies are\n"
     "finished and the document NAME.tarnix.json is written beside the screen movie. Without\n"
     "--out the recording goes to the videos folder, which is made when missing. While it runs,\n"
     "its samples are kept in a hidden journal beside the movie, for `recover` after a crash.\n"
     "--keys records the shortcuts pressed (keys with Ctrl, Alt or Super, function keys, Escape,\n"
     "Enter, Tab, arrows); --all-keys records every key. Nothing typed into a password field or a\n"
     "screen locker is recorded; on Wayland no keys are (the desktop doesn't share them).\n"
     "--area X,Y,W,H records only that rectangle of the display given by --source, X and Y from\n"
     "the display's top-left corner, in pixels (odd sides are made even for the encoder); the\n"
     "pointer, clicks and zoom are placed within it.\n"
     "SIGUSR1 (kill -USR1 PID) pauses the recording and the next SIGUSR1 resumes it, as the\n"
     "Pause button does: nothing is recorded in between, and the files close the gap. --duration\n"
     "counts recorded time, pauses left out."},
    {"recover", "recover FOLDER               write the documents of the recordings in FOLDER that ended\n"
                "                               without one (a crash, a kill, a power cut)", runRecover,
     "Each document is rebuilt from the recording's journal, with the samples up to the end of\n"
     "what the movie holds and the automatic zoom, and the journal is removed. A movie, camera or\n"
     "microphone file that the crash left ending inside a part still being written, which no\n"
     "player opens, has that part cut off (it holds nothing that plays), and a \"repaired:\" line\n"
     "says how much was kept; nothing else of a file is ever changed. A recording whose movie is\n"
     "missing, empty or unplayable is named and left as it is. Exits with 1 when one could not be\n"
     "recovered."},
};

void printUsage(std::ostream& out)
{
    out << "usage: tarnix-cli [--verbose] COMMAND [ARGUMENTS]\n       tarnix-cli --version\n\n"
           "commands (COMMAND --help tells more):\n";
    for (const auto& command : kCommands)
        out << "  " << command.usage << "\n";
    out << "\n--verbose shows the media libraries' own log lines.\n";
}

bool isHelp(std::string_view arg) { return arg == "--help" || arg == "-h"; }

} // namespace

int main(int argc, char** argv)
{
    Arguments all(argv + 1, argv + argc);
    const auto verbose = std::find(all.begin(), all.end(), "--verbose");
    const bool isVerbose = verbose != all.end();
    if (isVerbose)
        all.erase(verbose);
    // FFmpeg reports on standard error by itself (a missing CUDA library while probing a hardware
    // encoder, muxer statistics); Tarnix says what matters in its own words.
    av_log_set_level(isVerbose ? AV_LOG_INFO : AV_LOG_QUIET);
    tarnix::StopSignals::install();

    if (all.empty()) {
        printUsage(std::cerr);
        return kExitUsage;
    }
    const std::string_view name = all[0];
    if (name == "help" || isHelp(name)) {
        printUsage(std::cout);
        return kExitOk;
    }
    if (name == "--version") {
        std::cout << "tarnix-cli " << TARNIX_VERSION << "\n";
        return kExitOk;
    }
    for (const auto& command : kCommands) {
        if (command.name != name)
            continue;
        Arguments args(all.begin() + 1, all.end());
        if (std::any_of(args.begin(), args.end(), [](const auto& a) { return isHelp(a); })) {
            std::cout << "usage: tarnix-cli " << command.usage << "\n\n" << command.help << "\n";
            return kExitOk;
        }
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
