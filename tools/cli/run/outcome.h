// What every command of txorb ends with: one rule for the exit status, whatever went wrong.
#pragma once

namespace txorb::cli {

inline constexpr int kDone = 0;           // done as asked
inline constexpr int kFailed = 1;         // the card, the link or an output failed
inline constexpr int kBadInput = 2;       // the input or the options are wrong
inline constexpr int kInterrupted = 130;  // stopped by Ctrl-C (SIGINT) or SIGTERM

// The rule as the help (and the man page made of it) tells it.
inline constexpr const char* kOutcomeHelp =
    "*Exit status*\n"
    "  0    done as asked\n"
    "  1    the card, the link or an output failed (nothing claims an output that was not "
    "written)\n"
    "  2    the input or the options are wrong (the drawing cannot be read, asks for more "
    "work than --max-vectors or --max-pixels allow, or reaches beyond the card's field "
    "without --clip-to-field)\n"
    "  130  interrupted; the card is stopped\n";

}  // namespace txorb::cli
