// Provisional: answers as if the facility had nothing to report.
#include "platform/linux/CurlDownloader.h"

namespace tavrel {

bool CurlDownloader::DownloadFile(const std::string&, const std::string&, std::uint64_t, const Progress&) { return false; }

}  // namespace tavrel
