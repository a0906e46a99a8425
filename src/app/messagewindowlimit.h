#ifndef MESSAGEWINDOWLIMIT_H
#define MESSAGEWINDOWLIMIT_H

// Lines a message window keeps; the oldest go beyond it, so a flood of
// messages cannot fill the memory.
constexpr int MessageWindowLineLimit = 10000;

#endif // MESSAGEWINDOWLIMIT_H
