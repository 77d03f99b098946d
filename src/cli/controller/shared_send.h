#pragma once
// After a transfer that kept an entry, what this computer's register holds and the shared one
// lacks is sent, when a shared register is chosen. The network never decides the command's
// outcome: a failure is one line on standard error, and the wait is the connect time-out at most
// when the server does not answer.
class Console;
class Session;

// Never throws.
void SendAfterTransfer(Session& session, Console& console);
