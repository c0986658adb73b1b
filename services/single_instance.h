#pragma once
// One copy of a program at a time: two installers, or two uninstallers, working on one product
// folder would undo each other's steps. Each program names itself with a mutex in the global
// namespace (an elevated program's session namespace is not the one another user's copy sees).
namespace vl {

// Takes the program's name for as long as the process lives; false when another process holds
// it already (or keeps this one from opening it), so that this copy must change nothing.
[[nodiscard]] bool TakeSingleInstance(const wchar_t* name) noexcept;

// The names the two programs take.
inline constexpr wchar_t kInstallerInstance[] = L"Global\\Vorlane.Setup";
inline constexpr wchar_t kUninstallerInstance[] = L"Global\\Vorlane.Uninstall";

}  // namespace vl
