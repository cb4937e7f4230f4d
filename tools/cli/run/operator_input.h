// The operator's Enter key on standard input, for a start by hand and for stopping a frame:
// a whole line counts as one press, and an interrupt (Ctrl-C) ends every wait.
#pragma once

namespace txorb::cli {

enum class EnterKey {
    kPressed,      // a line was read
    kNone,         // nothing yet (only from EnterPressed)
    kInterrupted,  // Ctrl-C or SIGTERM
    kClosed,       // standard input ended: no press will come
};

// Waits for a line on standard input; checks for an interrupt at least every 100 ms.
EnterKey WaitForEnter();
// Whether a line is waiting, without waiting; a waiting line is read.
EnterKey EnterPressed();

}  // namespace txorb::cli
