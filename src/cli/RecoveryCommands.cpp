#include "cli/RecoveryCommands.h"

#include <iostream>

#include "app/RecordingRecovery.h"

namespace tarnix::cli {

namespace {

void printRecovered(const RecordingRecovery::Recovered& recovered)
{
    const RecordingTimeline& t = recovered.timeline;
    std::cout << "recovered: " << recovered.documentPath.string() << " (" << formatNumber(recovered.movieDuration)
              << " s of movie; " << t.cursorSamples.size() << " cursor samples, " << t.clickEvents.size()
              << " clicks, " << t.focusedElementSamples.size() << " focus samples, " << t.zoomRegions.size()
              << " zoom regions)\n";
    for (const auto& repair : recovered.repairs)
        std::cout << "repaired: " << repair << "\n";
    if (recovered.skippedLines > 0)
        std::cerr << recovered.skippedLines << " damaged journal line(s) were left out.\n";
    for (const auto& note : recovered.notes)
        std::cerr << note << "\n";
}

} // namespace

int runRecover(const Arguments& args)
{
    if (args.size() != 1)
        throw UsageError("recover takes one folder");
    const std::filesystem::path folder = args[0];
    if (!std::filesystem::is_directory(folder))
        throw InputError("tarnix-cli recover: " + folder.string() + " is not a folder");
    const auto journals = RecordingRecovery::findInterrupted(folder);
    if (journals.empty()) {
        std::cout << "Nothing to recover in " << folder.string() << ".\n";
        return kExitOk;
    }
    int failed = 0;
    for (const auto& journal : journals) {
        try {
            printRecovered(RecordingRecovery::recover(journal));
        } catch (const RecordingRecovery::RecoveryError& error) {
            std::cerr << error.what() << "\n";
            ++failed;
        }
    }
    return failed > 0 ? kExitFailure : kExitOk;
}

} // namespace tarnix::cli
