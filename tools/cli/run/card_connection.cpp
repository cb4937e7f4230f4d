#include "cli/run/card_connection.h"

#include <stdlib.h>

#include <filesystem>
#include <iostream>

#include "cli/run/library_errors.h"
#include "txorb/txorb.h"

namespace txorb::cli {
namespace {

// How long the virtual card may take to start, and to write its pictures and stop.
constexpr int kSimStartMs = 10000;
constexpr int kSimStopMs = 10000;

}  // namespace

CardConnection::CardConnection(ConnectionOptions options) : o_(std::move(options)) {
    useSim_ = o_.choice == CardChoice::kSimulator;
    if (useSim_) return;
    config_ = ReadCardConfig(o_.card);
    if (o_.choice == CardChoice::kAuto) {
        useSim_ = !config_.pingAllowed && !config_.serialPortPresent;
    }
}

CardConnection::~CardConnection() {
    Close();
    std::error_code ignored;
    if (!tempDir_.empty()) std::filesystem::remove_all(tempDir_, ignored);
}

bool CardConnection::MakeTempDir() {
    if (!tempDir_.empty()) return true;
    char templ[] = "/tmp/txorb-XXXXXX";
    if (::mkdtemp(templ) == nullptr) {
        std::cerr << o_.command << ": cannot make a temporary directory\n";
        return false;
    }
    tempDir_ = templ;
    return true;
}

bool CardConnection::Start(const std::vector<std::string>& simArgs) {
    if (!useSim_) return true;
    if (!MakeTempDir()) return false;
    // A socket of its own, so that runs side by side do not meet.
    std::vector<std::string> args = {"--socket", SimSocket()};
    args.insert(args.end(), simArgs.begin(), simArgs.end());
    std::string error;
    sim_ = std::make_unique<SimProcess>();
    if (!sim_->Start(FindSimulator(), args, kSimStartMs, &error)) {
        std::cerr << o_.command << ": " << error << "\n";
        sim_.reset();
        return false;
    }
    if (o_.capture) {
        capturePath_ = o_.capturePath.empty() ? tempDir_ + "/capture.bin" : o_.capturePath;
    }
    if (!UseStoreForDevice(tempDir_, o_.card, sim_->PtyPath(), capturePath_, &error)) {
        std::cerr << o_.command << ": " << error << "\n";
        return false;
    }
    // The store names the capture file: the library captures from the first packet on.
    handshakeCaptured_ = !capturePath_.empty();
    return true;
}

bool CardConnection::Initialise() {
    const uint32_t code = Init_Scan_Card_Ex(o_.card);
    if (code != TXORB_ERR_OK) {
        std::cerr << o_.command << ": cannot initialise card " << o_.card << ": " << ErrorText(code)
                  << "\n";
        return false;
    }
    up_ = true;
    if (!useSim_ && o_.capture) CaptureRealCard();
    return true;
}

// A real card: the store's capture file when it names one and none was asked for, else the
// capture starts now, after the initialisation.
void CardConnection::CaptureRealCard() {
    if (o_.capturePath.empty() && !config_.captureFile.empty()) {
        capturePath_ = config_.captureFile;
        handshakeCaptured_ = true;
        return;
    }
    capturePath_ = o_.capturePath;
    if (capturePath_.empty() && MakeTempDir()) capturePath_ = tempDir_ + "/capture.bin";
    if (!capturePath_.empty() && !Output_To_File(capturePath_.c_str())) {
        std::cerr << o_.command << ": warning: cannot capture to " << capturePath_ << "\n";
        capturePath_.clear();
    }
}

bool CardConnection::Close() {
    if (up_) {
        Remove_Scan_Card_Ex(o_.card);
        up_ = false;
    }
    bool written = true;
    if (sim_) {
        std::string error;
        written = sim_->Stop(kSimStopMs, &error);
        if (!written) std::cerr << o_.command << ": " << error << "\n";
        sim_.reset();
    }
    return written;
}

}  // namespace txorb::cli
