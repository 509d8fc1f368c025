// How a run ended when no Error escaped it. The front ends turn it (and an escaping Error's
// category) into an exit status or what the window shows, each in one place.
#pragma once

namespace wwweksports {

// From the best to the worst.
enum class Outcome {
    Done,              // everything asked for was sent
    ShownErrors,       // sent, but an error was shown and the run went on past it
    ConnectionFailed,  // a connection test failed and showed its message; that upload touched
                       // nothing, a later upload of the same run still ran
    InputMissing,      // a required input is empty; its message was shown, nothing else ran
};

// The outcome of a run of several steps: the worst of theirs.
inline Outcome Worse(Outcome a, Outcome b) { return a > b ? a : b; }

}  // namespace wwweksports
