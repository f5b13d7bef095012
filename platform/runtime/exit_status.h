#pragma once

// The exit statuses of the programs, shared by tarnix and kxadmin.
namespace rt {

inline constexpr int kExitNormal = 0;   // done: the window closed, a command did its work
inline constexpr int kExitFailure = 1;  // something the user can meet went wrong and was said
inline constexpr int kExitUsage = 2;    // the command line itself was wrong

}  // namespace rt
