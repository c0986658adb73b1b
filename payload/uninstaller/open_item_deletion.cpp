#include "open_item_deletion.h"

bool DeleteOpenItem(HANDLE item) {
  FILE_DISPOSITION_INFO gone = {TRUE};
  return SetFileInformationByHandle(item, FileDispositionInfo, &gone, sizeof gone) != FALSE;
}
