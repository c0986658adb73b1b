#pragma once
// Deletes a file or an empty folder through a handle opened with DELETE: the item the handle
// holds goes, whatever its path names by then. An object of its own, so that a test build of the
// clean-up helper can watch each deletion it makes.
#include <windows.h>

bool DeleteOpenItem(HANDLE item);
