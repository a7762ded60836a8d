#pragma once

// The one line the keeper tells its starter on standard output once the text
// is safe, after which standard output is closed so that the starter stops
// waiting: "kept" when this process (or the Wayland copier it started) now
// serves the text, "manager" when the desktop's clipboard manager will take
// it from the starter at the starter's end. No line means the text is not
// kept.
namespace StarterReport {

inline constexpr char Kept[] = "kept";
inline constexpr char Manager[] = "manager";

void tell(const char* word);

} // namespace StarterReport
