#include "contents.h"

#include <cstdio>

#include "common/file_io.h"
#include "gif_writer.h"
#include "jet_writer.h"
#include "jpeg_writer.h"
#include "module_file.h"
#include "picture.h"
#include "playlist.h"

namespace payloadgen {
namespace {

Result<std::string> ReadSource(const ContentSources& sources, const std::string& name) {
  return gen::ReadFile(sources.contentFolder + "/" + name);
}

// The padding text of a picture: readable, naming the product and the artist.
std::string PictureComment(const PictureSource& picture) {
  return "Vorlane artist picture: " + picture.artist + ", " + std::to_string(picture.width) +
         "x" + std::to_string(picture.height) + ". ";
}

Result<std::string> Build(const CatalogueEntry& entry, const ContentSources& sources,
                          constgen::GbkEncoder& encoder, const std::string& catalogueFile) {
  switch (entry.kind) {
    case ContentKind::Text: {
      const Result<std::string> source = ReadSource(sources, entry.source);
      if (!source.HasValue()) return source.GetError();
      return MakeTextContent(source.Value(), sources.texts, encoder,
                             sources.contentFolder + "/" + entry.source);
    }
    case ContentKind::Module: {
      Result<std::string, constgen::EncodingFailure> name = encoder.Encode(entry.source);
      if (!name.HasValue()) return Error{catalogueFile, entry.line, "the module name has no GBK form"};
      return MakeModuleFile(name.Value(), entry.size, catalogueFile);
    }
    case ContentKind::Gif:
    case ContentKind::Jfif:
    case ContentKind::Exif: {
      const Result<PictureSource> source = ParsePictureSource(entry.source, catalogueFile, entry.line);
      if (!source.HasValue()) return source.GetError();
      const PictureSource& p = source.Value();
      const Picture picture = DrawArtistPicture(p.artist, p.width, p.height);
      if (entry.kind == ContentKind::Gif) {
        return MakeGif(picture, entry.size, PictureComment(p), catalogueFile);
      }
      return MakeJpeg(picture, entry.kind == ContentKind::Exif ? JpegHeader::Exif : JpegHeader::Jfif,
                      entry.size, PictureComment(p), catalogueFile);
    }
    case ContentKind::Jet4: {
      const Result<std::string> source = ReadSource(sources, entry.source);
      if (!source.HasValue()) return source.GetError();
      const Result<std::vector<Track>> tracks = ParsePlaylist(source.Value(), entry.source);
      if (!tracks.HasValue()) return tracks.GetError();
      return MakePlaylistDatabase(tracks.Value(), entry.source);
    }
    case ContentKind::Exe:
    case ContentKind::Dll:
    case ContentKind::Same:
      break;
  }
  return Error{catalogueFile, entry.line, "this entry's content is not generated here"};
}

}  // namespace

std::string ContentFileName(const CatalogueEntry& entry) {
  char name[8];
  std::snprintf(name, sizeof name, "%02d", entry.ordinal);
  return name;
}

Result<std::string> MakeContent(const CatalogueEntry& entry, const ContentSources& sources,
                                constgen::GbkEncoder& encoder, const std::string& catalogueFile) {
  Result<std::string> content = Build(entry, sources, encoder, catalogueFile);
  if (!content.HasValue()) return content;
  if (content.Value().size() != entry.size) {
    return Error{catalogueFile, entry.line,
                 "entry " + std::to_string(entry.ordinal) + " came out at " +
                     std::to_string(content.Value().size()) + " bytes, not " +
                     std::to_string(entry.size)};
  }
  return content;
}

}  // namespace payloadgen
