#include "cli/commands/outputs.h"

#include <filesystem>

namespace txorb::cli {

namespace fs = std::filesystem;

std::string PicturePrefix(const std::string& drawing, const std::string& out, const char* suffix) {
    fs::path p(out.empty() ? drawing : out);
    const std::string ext = p.extension().string();
    if (out.empty()) return (p.parent_path() / p.stem()).string() + suffix;
    if (ext == ".svg" || ext == ".png" || ext == ".SVG" || ext == ".PNG") {
        return (p.parent_path() / p.stem()).string();
    }
    return out;
}

std::string OutputOverwritesInput(const std::string& input,
                                  const std::vector<std::string>& outputs) {
    std::error_code ec;
    const fs::path in = fs::weakly_canonical(input, ec);
    for (const auto& out : outputs) {
        if (out.empty()) continue;
        std::error_code same;
        // The same inode under another name (a hard link, a bind mount) counts too.
        if (fs::equivalent(input, out, same) && !same) return out;
        std::error_code canon;
        if (!ec && fs::weakly_canonical(out, canon) == in && !canon) return out;
    }
    return {};
}

}  // namespace txorb::cli
