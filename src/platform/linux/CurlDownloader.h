#pragma once

#include "update/IDownloader.h"

namespace tavrel {

class CurlDownloader : public IDownloader {
 public:
  bool DownloadFile(const std::string& url, const std::string& localPath, std::uint64_t maxBytes,
                    const Progress& progress) override;
};

}  // namespace tavrel
