// A parsed URL, made from text the way the phone platform's URL-from-string does: text with characters a URL
// cannot hold (spaces, controls, non-ASCII, a '%' without two hex digits) gives no URL at all. A bare path
// parses as a relative URL with no scheme, which is not a file URL.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

class URL {
 public:
  static std::optional<URL> URLWithString(std::string_view text);

  const std::string& absoluteString() const { return text_; }
  const std::string& scheme() const { return scheme_; }  // lower case, empty for a relative URL
  bool isFileURL() const { return scheme_ == "file" && (host_.empty() || host_ == "localhost"); }
  // The percent-decoded path.
  const std::string& path() const { return path_; }

 private:
  std::string text_;
  std::string scheme_;
  std::string host_;
  std::string path_;
};

}  // namespace qv
QV_EXPORT_END
