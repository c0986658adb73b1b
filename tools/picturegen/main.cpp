// picturegen <picture> <output file>
//   picture: page-icon, small-icon, banner or program-icon (see pictures.h). The file is rewritten only when
//   its bytes change, so that nothing after it is rebuilt for nothing.
#include <iostream>
#include <string>
#include <string_view>

#include "common/file_io.h"
#include "pictures.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: picturegen page-icon|small-icon|banner|program-icon <output file>\n";
    return 2;
  }
  const std::string picture = argv[1];
  picturegen::Bytes bytes;
  if (picture == "page-icon") {
    bytes = picturegen::EncodeIcon(picturegen::DrawPageIcon());
  } else if (picture == "small-icon") {
    bytes = picturegen::EncodeIcon(picturegen::DrawSmallIcon());
  } else if (picture == "program-icon") {
    auto icon = picturegen::EncodeProgramIcon(picturegen::DrawPageIcon(), picturegen::DrawSmallIcon());
    if (!icon) {
      std::cerr << "picturegen: the program icon has more than 256 colours\n";
      return 1;
    }
    bytes = std::move(*icon);
  } else if (picture == "banner") {
    auto jpeg = picturegen::EncodeJpegOfSize(picturegen::DrawBanner(), picturegen::kBannerSize);
    if (!jpeg) {
      std::cerr << "picturegen: the banner does not fit in " << picturegen::kBannerSize << " bytes\n";
      return 1;
    }
    bytes = std::move(*jpeg);
  } else {
    std::cerr << "picturegen: unknown picture " << picture << "\n";
    return 2;
  }
  const gen::Status written = gen::WriteFileIfChanged(
      argv[2], std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  if (!written.HasValue()) {
    std::cerr << "picturegen: " << written.GetError().Describe() << "\n";
    return 1;
  }
  return 0;
}
