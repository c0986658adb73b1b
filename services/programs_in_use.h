#pragma once
// The programs that hold the product's files, found before either program changes the product
// folder, and asked to close as their users would close them. A running program's image and the
// libraries it loaded can be neither replaced nor deleted, so a pass that went on past them would
// leave two installations mixed, or a player that can neither run nor be found gone. Files are
// compared by identity (volume serial and file index), never by name: a program elsewhere with
// the same name is not the product's. Nothing here ends a process: a program is asked to close
// and may decline. Texts are the system's (GB18030), as both programs keep them.
#include <windows.h>

#include <cstddef>

#include "runtime/text_value.h"

namespace vl {

// The product's files: `count` paths below `root`, each starting with a backslash.
struct ProductFileList {
  Text root;
  std::size_t count;
  Text (*path)(std::size_t index);
};

struct ProgramInUse {
  DWORD processId;
  // False for a program this one cannot ask to close: one in another user's session, a service.
  bool closable;
  wchar_t image[MAX_PATH];  // its file (its name alone when the system names no path)
  wchar_t title[96];        // its main window's title; empty when it shows none
};

// What one search found: the first kMostPrograms programs (a later search finds the rest).
inline constexpr std::size_t kMostPrograms = 16;
struct ProgramsInUse {
  std::size_t count;
  ProgramInUse programs[kMostPrograms];
};

// Fills `found` with the running processes but this one that hold one of the files (one that
// does not exist is passed over) as their image or, for 32-bit processes, a loaded module. The
// Restart Manager is asked as well where the system has one; the process walk runs always.
// Finds none when nothing can be asked.
void FindProgramsInUse(const ProductFileList& files, ProgramsInUse& found) noexcept;

// The lines a box names the programs with, one per program: its file name and, where it has one,
// its main window's title. A new allocation; null when a name cannot be written.
char* ProgramLines(const ProgramsInUse& found) noexcept;

// Asks every closable program to close (WM_CLOSE to each of its top-level windows), then waits
// up to kCloseTimeoutMs for them to end while this thread's messages are dispatched.
void CloseGracefully(const ProgramsInUse& found) noexcept;
inline constexpr DWORD kCloseTimeoutMs = 10000;

enum class FilesInUse {
  Released,   // no program holds them (any more): the run may change the product folder
  Declined,   // the user chose not to close them: nothing may change
  StillHeld,  // unattended, they were not to be closed or did not end: nothing may change
};

// The question put to a person: `lines` names the programs; `closable` is false when one of them
// cannot be asked to close, and then true means "look again" rather than "close them".
using AskToClose = bool (*)(Text lines, bool closable);

// Until no program holds one of the files. With `ask`, a person decides: asked with the list,
// the programs are closed when they agree, and asked again while any still runs. Without it (an
// unattended run), they are closed once when `closeUnattended` allows it, and the run log names
// each program that stops the run.
FilesInUse ReleaseFiles(const ProductFileList& files, AskToClose ask, bool closeUnattended) noexcept;

}  // namespace vl
