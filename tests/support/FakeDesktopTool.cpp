// Stand-ins for the desktop programs the desk starts: soffice, xdg-open and lpstat. One
// program, acting by the name it is started under; FakeDesktop puts it first on PATH and
// names the folder for its records in VELMO_FAKE_DIR.
//
// soffice: records its arguments (one line, tab-separated) in soffice.log. With --convert-to it
// copies each input to the output folder under the new extension. With -p it records each
// file in printed.log. With --headless or --view it does nothing more. Otherwise it edits like
// a user: writes LibreOffice's lock file beside the document, appends a paragraph
// (VELMO_FAKE_SOFFICE_EDIT, "-" for none) inside the document's last group, records "edited"
// in edits.log, and removes the lock when the file "release" appears in VELMO_FAKE_DIR (at
// once when VELMO_FAKE_SOFFICE_HOLD is "0"; after two minutes at the latest).
// xdg-open: records its argument in xdg-open.log.
// lpstat -d: names the printer written in the file "printer", or says there is none.
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string Env(const char* name, const std::string& fallback) {
    const char* value = std::getenv(name);
    return value ? value : fallback;
}

fs::path Dir() {
    return Env("VELMO_FAKE_DIR", fs::temp_directory_path());
}

void Append(const std::string& file, const std::string& line) {
    std::ofstream out(Dir() / file, std::ios::app);
    out << line << '\n';
}

std::string ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool HasArg(const std::vector<std::string>& args, const std::string& a) {
    return std::find(args.begin(), args.end(), a) != args.end();
}

std::string After(const std::vector<std::string>& args, const std::string& option,
                  const std::string& fallback) {
    const auto it = std::find(args.begin(), args.end(), option);
    return it != args.end() && it + 1 != args.end() ? *(it + 1) : fallback;
}

int Soffice(const std::vector<std::string>& args) {
    std::string line;
    for (size_t i = 0; i < args.size(); ++i) {
        line += (i ? "\t" : "") + args[i];
    }
    Append("soffice.log", line);
    if (HasArg(args, "--convert-to")) {
        const std::string format = After(args, "--convert-to", ""), outdir = After(args, "--outdir", ".");
        for (const auto& in : args) {
            if (!in.empty() && in[0] != '-' && in != format && in != outdir) {
                std::error_code ec;
                fs::copy_file(in,
                              fs::path(outdir) /
                                  (fs::path(in).stem().string() + "." + format.substr(0, format.find(':'))),
                              fs::copy_options::overwrite_existing, ec);
            }
        }
        return 0;
    }
    if (const auto p = std::find(args.begin(), args.end(), "-p"); p != args.end()) {
        std::for_each(p + 1, args.end(), [](const std::string& file) { Append("printed.log", file); });
        return std::atoi(Env("VELMO_FAKE_SOFFICE_EXIT", "0").c_str());
    }
    if (HasArg(args, "--headless") || HasArg(args, "--view") || args.empty()) {
        return 0;
    }
    const fs::path doc = args.back();
    const fs::path lock = doc.parent_path() / (".~lock." + doc.filename().string() + "#");
    { std::ofstream(lock) << ",fake user,desk," << doc.string() << ",\n"; }
    const std::string text = Env("VELMO_FAKE_SOFFICE_EDIT", "Edited in the word processor.");
    if (text != "-") {
        std::string rtf = ReadAll(doc);
        const size_t last = rtf.rfind('}');
        if (last != std::string::npos) {
            rtf.insert(last, "\\par " + text);
            std::ofstream(doc, std::ios::binary | std::ios::trunc) << rtf;
        }
    }
    Append("edits.log", "edited\t" + doc.string());
    if (Env("VELMO_FAKE_SOFFICE_HOLD", "1") != "0") {
        const auto until = std::chrono::steady_clock::now() + std::chrono::minutes(2);
        // The fixture's folder gone means its test has ended: let go too.
        while (fs::exists(Dir()) && !fs::exists(Dir() / "release") &&
               std::chrono::steady_clock::now() < until) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    std::error_code ec;
    fs::remove(lock, ec);
    Append("edits.log", "released\t" + doc.string());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::string name = fs::path(argv[0]).filename().string();
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (name == "soffice") {
        return Soffice(args);
    }
    if (name == "xdg-open") {
        Append("xdg-open.log", args.empty() ? std::string() : args.front());
        return 0;
    }
    if (name == "lpstat") {
        const std::string p = ReadAll(Dir() / "printer"); // empty when there is none
        std::cout << (p.empty() ? "no system default destination" : "system default destination: " + p)
                  << "\n";
        return 0;
    }
    std::cerr << "velmo_fake_desktop: started as " << name << "\n";
    return 2;
}
