// The update window's view in memory: what the behaviour set, and a window with a frame.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "fakes/EventLog.h"
#include "forms/frmUpdate.h"

namespace tavrel::fakes {

class FakeUpdateView : public IUpdateView {
 public:
  explicit FakeUpdateView(EventLog& log) : log_(log) {}

  std::string Caption() const override { return caption; }
  void SetCaption(const std::string& c) override {
    captions.push_back(caption = c);
    log_.Add("Caption " + c);
  }
  void SetUpdateText(const std::string& t) override { text = t; }
  void AppendUpdateText(const std::string& t) override { text += t; }
  void SetDownloadEnabled(bool e) override {
    downloadEnabled = e;
    log_.Add(e ? "Download enabled" : "Download disabled");
  }
  FormGeometry Geometry() const override { return geometry; }
  void SetLeft(float v) override { Set(geometry.left, "SetLeft ", v); }
  void SetTop(float v) override { Set(geometry.top, "SetTop ", v); }
  void SetWidth(float v) override { Set(geometry.width, "SetWidth ", v); }
  void SetHeight(float v) override { Set(geometry.height, "SetHeight ", v); }
  // A frame of 120 x 405 on a 1280 x 960 pixel screen, the main window 6270 x 3675.
  long InnerWidth() const override { return static_cast<long>(geometry.width) - 120; }
  long InnerHeight() const override { return static_cast<long>(geometry.height) - 405; }
  void SetUpdateTextSize(long w, long h) override { textSize = {w, h}; }
  void SetShapeColours(std::uint32_t, std::uint32_t) override {}
  long ScreenWidth() const override { return 19200; }
  long ScreenHeight() const override { return 14400; }
  std::vector<FormGeometry> Screens() const override { return screens.empty() ? IUpdateView::Screens() : screens; }
  long MainWidth() const override { return 6270; }
  long MainHeight() const override { return 3675; }
  void Transferring(std::uint64_t received, std::uint64_t total) override {
    log_.Add("Transferring " + std::to_string(received) + "/" + std::to_string(total));
    if (onTransfer) onTransfer();
  }
  void TransferEnded() override { log_.Add("TransferEnded"); }
  void RequestClose() override { log_.Add("RequestClose"); }

  std::string caption = "Check for update", text;
  std::vector<std::string> captions;
  bool downloadEnabled = true;  // the behaviour must disable it itself
  FormGeometry geometry;
  std::pair<long, long> textSize{-1, -1};
  std::function<void()> onTransfer;
  std::vector<FormGeometry> screens;  // empty: the one screen

 private:
  void Set(float& field, const char* event, float v) {
    field = v;
    log_.Add(event + SingleText(v));
  }
  EventLog& log_;
};

}  // namespace tavrel::fakes
