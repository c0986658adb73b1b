#pragma once
// Before the installation changes anything in the product folder: the programs that hold one of
// the product's files under InstallRoot (the installed player, typically), closed or left alone.

namespace vl::installer {

// Whether the installation may change the product's files: no program holds one any more.
// Interactive, a box names the programs and closes them when the user agrees, and comes back
// while any still runs; false when the user goes back. Unattended, they are closed only when the
// command line asked for it (/CLOSEAPPLICATIONS), and the run log names each.
bool ProductFilesReleased(bool unattended) noexcept;

}  // namespace vl::installer
