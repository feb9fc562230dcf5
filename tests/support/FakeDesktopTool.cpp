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
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

fs::path Dir() {
    const char* d = std::getenv("VELMO_FAKE_DIR");
    return d ? fs::path(d) : fs::temp_directory_path();
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
    for (const auto& x : args) {
        if (x == a) {
            return true;
        }
    }
    return false;
}

int Soffice(const std::vector<std::string>& args) {
    std::string line;
    for (size_t i = 0; i < args.size(); ++i) {
        line += (i ? "\t" : "") + args[i];
    }
    Append("soffice.log", line);
    if (HasArg(args, "--convert-to")) {
        std::string format, outdir = ".";
        std::vector<std::string> inputs;
        for (size_t i = 0; i < args.size(); ++i) {
            if (args[i] == "--convert-to" && i + 1 < args.size()) {
                format = args[++i];
            } else if (args[i] == "--outdir" && i + 1 < args.size()) {
                outdir = args[++i];
            } else if (!args[i].empty() && args[i][0] != '-') {
                inputs.push_back(args[i]);
            }
        }
        const std::string ext = format.substr(0, format.find(':'));
        for (const auto& in : inputs) {
            std::error_code ec;
            fs::copy_file(in, fs::path(outdir) / (fs::path(in).stem().string() + "." + ext),
                          fs::copy_options::overwrite_existing, ec);
        }
        return 0;
    }
    if (HasArg(args, "-p")) {
        bool files = false;
        for (const auto& a : args) {
            if (files) {
                Append("printed.log", a);
            }
            files = files || a == "-p";
        }
        const char* code = std::getenv("VELMO_FAKE_SOFFICE_EXIT");
        return code ? std::atoi(code) : 0;
    }
    if (HasArg(args, "--headless") || HasArg(args, "--view") || args.empty()) {
        return 0;
    }
    const fs::path doc = args.back();
    const fs::path lock = doc.parent_path() / (".~lock." + doc.filename().string() + "#");
    { std::ofstream(lock) << ",fake user,desk," << doc.string() << ",\n"; }
    const char* editText = std::getenv("VELMO_FAKE_SOFFICE_EDIT");
    const std::string text = editText ? editText : "Edited in the word processor.";
    if (text != "-") {
        std::string rtf = ReadAll(doc);
        const size_t last = rtf.rfind('}');
        if (last != std::string::npos) {
            rtf.insert(last, "\\par " + text);
            std::ofstream(doc, std::ios::binary | std::ios::trunc) << rtf;
        }
    }
    Append("edits.log", "edited\t" + doc.string());
    const char* hold = std::getenv("VELMO_FAKE_SOFFICE_HOLD");
    if (!(hold && std::string(hold) == "0")) {
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
        const fs::path printer = Dir() / "printer";
        std::string p = fs::exists(printer) ? ReadAll(printer) : std::string();
        if (p.empty()) {
            std::cout << "no system default destination\n";
        } else {
            std::cout << "system default destination: " << p << "\n";
        }
        return 0;
    }
    std::cerr << "velmo_fake_desktop: started as " << name << "\n";
    return 2;
}
