#pragma once
// The check of every carried content against the CRC-32C the build recorded for it, before the
// installer writes anything: a download cut short or a flipped bit must not become an
// installation reported as a success.

namespace vl::installer {

// Starts the check on a worker thread, while the user reads the first pages. The worker reads
// only the program's constants; it hands its verdict to the GUI thread, which shows the damage
// at once, whatever page is up, and ends the program with -1.
void StartPayloadCheck() noexcept;

// For the steps that write: waits for the verdict (checking on this thread when no worker could
// be started). On damage it shows it and ends the program; true when every content is sound.
bool AwaitSoundPayload() noexcept;

// The unattended run's check, on this thread: true when every content is sound; otherwise the
// run log names the first damaged entry under `root`.
bool CheckPayloadUnattended(const char* root) noexcept;

}  // namespace vl::installer
