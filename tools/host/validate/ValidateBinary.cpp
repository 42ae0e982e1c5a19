// Binary hygiene: what the plug-in file exports and needs, read from its ELF headers,
// and where it writes files (a fresh process with HOME and the XDG directories in a
// scratch directory; every path it opens for writing is recorded).
#include <elf.h>
#include <fcntl.h>
#include <ftw.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>

#include "RtCount.h"
#include "Validate.h"
#include "ValidateUtil.h"

namespace lumdel::host::validate {

namespace {

struct ElfFacts {
    std::string error;
    std::vector<std::string> exports;  // defined global/weak dynamic symbols
    std::vector<std::string> needed;
    std::vector<std::string> runpaths;
};

ElfFacts readElf(const std::string& path) {
    ElfFacts f;
    std::ifstream file(path, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (bytes.size() < sizeof(Elf64_Ehdr) || std::memcmp(bytes.data(), ELFMAG, SELFMAG) != 0 ||
        bytes[EI_CLASS] != ELFCLASS64) {
        f.error = "not a 64-bit ELF file";
        return f;
    }
    auto in = [&](size_t off, size_t size) { return off <= bytes.size() && size <= bytes.size() - off; };
    const auto* eh = reinterpret_cast<const Elf64_Ehdr*>(bytes.data());
    if (!in(eh->e_shoff, size_t(eh->e_shnum) * sizeof(Elf64_Shdr))) {
        f.error = "section headers outside the file";
        return f;
    }
    const auto* sh = reinterpret_cast<const Elf64_Shdr*>(bytes.data() + eh->e_shoff);
    for (int i = 0; i < eh->e_shnum; ++i) {
        const Elf64_Shdr& s = sh[i];
        if (s.sh_link >= eh->e_shnum) continue;
        const Elf64_Shdr& strs = sh[s.sh_link];
        if (!in(s.sh_offset, s.sh_size) || !in(strs.sh_offset, strs.sh_size)) continue;
        auto str = [&](size_t off) -> std::string {
            if (off >= strs.sh_size) return "";
            const char* p = bytes.data() + strs.sh_offset + off;
            return std::string(p, strnlen(p, strs.sh_size - off));
        };
        if (s.sh_type == SHT_DYNSYM) {
            size_t n = s.sh_size / sizeof(Elf64_Sym);
            const auto* syms = reinterpret_cast<const Elf64_Sym*>(bytes.data() + s.sh_offset);
            for (size_t k = 1; k < n; ++k) {
                int bind = ELF64_ST_BIND(syms[k].st_info);
                if (syms[k].st_shndx == SHN_UNDEF || (bind != STB_GLOBAL && bind != STB_WEAK &&
                                                      bind != STB_GNU_UNIQUE))
                    continue;
                f.exports.push_back(str(syms[k].st_name));
            }
        } else if (s.sh_type == SHT_DYNAMIC) {
            size_t n = s.sh_size / sizeof(Elf64_Dyn);
            const auto* dyn = reinterpret_cast<const Elf64_Dyn*>(bytes.data() + s.sh_offset);
            for (size_t k = 0; k < n && dyn[k].d_tag != DT_NULL; ++k) {
                if (dyn[k].d_tag == DT_NEEDED) f.needed.push_back(str(dyn[k].d_un.d_val));
                if (dyn[k].d_tag == DT_RPATH || dyn[k].d_tag == DT_RUNPATH)
                    f.runpaths.push_back(str(dyn[k].d_un.d_val));
            }
        }
    }
    return f;
}

std::string join(const std::vector<std::string>& v) {
    std::string s;
    for (const auto& x : v) s += (s.empty() ? "" : " ") + x;
    return s;
}

bool interposesHost(const std::string& sym) {
    // Exported runtime symbols replace the host's own for every library in the process.
    for (const char* prefix : {"_Znw", "_Zna", "_Zdl", "_Zda", "_ZSt", "_ZNSt", "_ZNKSt", "__cxa_",
                               "__gxx_", "_ZTVN10__cxxabiv"})
        if (sym.rfind(prefix, 0) == 0) return true;
    static const std::set<std::string> libc = {"malloc", "free", "calloc", "realloc", "operator new"};
    return libc.count(sym) > 0;
}

void checkExports(Session& s, Report& r) {
    if (s.options.pluginPath.empty()) {
        r.skip("in-process plug-in: no file");
        return;
    }
    ElfFacts f = readElf(s.options.pluginPath);
    if (!f.error.empty()) {
        r.fail("%s", f.error.c_str());
        return;
    }
    std::set<std::string> exports(f.exports.begin(), f.exports.end());
    if (!exports.count("VSTPluginMain") && !exports.count("main"))
        r.fail("exports neither VSTPluginMain nor main");
    int clashes = 0;
    for (const auto& e : exports)
        if (interposesHost(e) && ++clashes <= 5)
            r.fail("exports %s, which would replace the host's own", e.c_str());
    if (s.facts.isLumdel()) {
        // Lumdel ('LMDL'): exactly its two entry points.
        if (exports != std::set<std::string>{"VSTPluginMain", "main"})
            r.fail("Lumdel exports %zu symbols, expected only VSTPluginMain and main: %s",
                   exports.size(), join(std::vector<std::string>(exports.begin(), exports.end())).c_str());
    }
    if (!r.failed()) {
        std::vector<std::string> shown(exports.begin(), exports.end());
        if (shown.size() > 8) shown.resize(8);
        r.note("%zu exported symbols: %s%s", exports.size(), join(shown).c_str(),
               exports.size() > 8 ? " ..." : "");
    }
}

void checkNeeded(Session& s, Report& r) {
    if (s.options.pluginPath.empty()) {
        r.skip("in-process plug-in: no file");
        return;
    }
    ElfFacts f = readElf(s.options.pluginPath);
    if (!f.error.empty()) {
        r.fail("%s", f.error.c_str());
        return;
    }
    for (const auto& rp : f.runpaths) {
        // $ORIGIN-relative paths travel with the plug-in; absolute ones point into the
        // build machine.
        if (rp.find("$ORIGIN") == std::string::npos && rp.rfind("/usr", 0) != 0)
            r.fail("RPATH/RUNPATH '%s' points outside the system", rp.c_str());
    }
    if (s.facts.isLumdel()) {
        // Lumdel ('LMDL'): the C/C++ run-time, libm, X11 and cairo, and what those two
        // pull in (a link without --as-needed, as in the sanitizer build, names them).
        static const std::set<std::string> allowed = {
            "libc.so.6",        "libm.so.6",        "libX11.so.6",     "libcairo.so.2",
            "libpthread.so.0",  "libdl.so.2",       "libgcc_s.so.1",   "libstdc++.so.6",
            "ld-linux-x86-64.so.2", "libXext.so.6", "libXrender.so.1", "libxcb.so.1",
            "libxcb-render.so.0", "libxcb-shm.so.0", "libfontconfig.so.1",
            "libfreetype.so.6", "libpng16.so.16", "libz.so.1",     "libpixman-1.so.0"};
        for (const auto& lib : f.needed) {
            if (lib.rfind("libasan", 0) == 0 || lib.rfind("libubsan", 0) == 0) continue;
            if (!allowed.count(lib)) r.fail("Lumdel needs %s, outside its allowed set", lib.c_str());
        }
    }
    if (!r.failed())
        r.note("DT_NEEDED: %s%s%s", join(f.needed).c_str(), f.runpaths.empty() ? "" : "; RUNPATH ",
               join(f.runpaths).c_str());
}

// --- where the plug-in writes ------------------------------------------------------

std::vector<std::string> filesUnder(const std::string& root) {
    static std::vector<std::string>* out;
    std::vector<std::string> files;
    out = &files;
    nftw(root.c_str(),
         [](const char* path, const struct stat*, int type, struct FTW*) {
             if (type == FTW_F || type == FTW_SL) out->push_back(path);
             return 0;
         },
         16, FTW_PHYS);
    return files;
}

std::string runChild(const std::string& tool, const std::string& plugin, const std::string& root,
                     int* status) {
    int fds[2];
    if (pipe(fds) != 0) return "";
    pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], 1);
        close(fds[0]);
        close(fds[1]);
        if (chdir((root + "/cwd").c_str()) != 0) _exit(3);
        setenv("HOME", (root + "/home").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (root + "/home/.config").c_str(), 1);
        setenv("XDG_DATA_HOME", (root + "/home/.local/share").c_str(), 1);
        setenv("XDG_CACHE_HOME", (root + "/home/.cache").c_str(), 1);
        setenv("XDG_STATE_HOME", (root + "/home/.local/state").c_str(), 1);
        setenv("TMPDIR", (root + "/tmp").c_str(), 1);
        execl(tool.c_str(), tool.c_str(), "validate", "--writes-child", plugin.c_str(), (char*)nullptr);
        _exit(127);
    }
    close(fds[1]);
    std::string text;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    for (;;) {
        pollfd p{fds[0], POLLIN, 0};
        if (poll(&p, 1, 500) > 0) {
            char buf[4096];
            ssize_t n = read(fds[0], buf, sizeof buf);
            if (n <= 0) break;
            text.append(buf, static_cast<size_t>(n));
        }
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            break;
        }
    }
    close(fds[0]);
    waitpid(pid, status, 0);
    return text;
}

void checkWrites(Session& s, Report& r) {
    if (s.options.pluginPath.empty() || s.options.hostTool.empty()) {
        r.skip("needs a plug-in file and the lumdel-host program");
        return;
    }
    char pattern[] = "/tmp/lumdel-validate-XXXXXX";
    const char* tmpdir = std::getenv("TMPDIR");
    std::string templ = std::string(tmpdir && *tmpdir ? tmpdir : "/tmp") + "/lumdel-validate-XXXXXX";
    std::vector<char> buf(templ.begin(), templ.end());
    buf.push_back(0);
    if (!mkdtemp(buf.data()) && !mkdtemp(pattern)) {
        r.fail("cannot create a scratch directory");
        return;
    }
    std::string root = buf.data();
    for (const char* sub : {"/home", "/home/.config", "/tmp", "/cwd"})
        mkdir((root + sub).c_str(), 0700);
    char real[4096];
    std::string plugin = realpath(s.options.pluginPath.c_str(), real) ? real : s.options.pluginPath;
    int status = 0;
    std::string out = runChild(s.options.hostTool, plugin, root, &status);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        r.fail("the child process (load, process, chunk, editor, close) ended with status %d", status);
    const std::string config = root + "/home/.config/";
    // Caches of the libraries a plug-in uses (a GL driver's shader cache, fontconfig's
    // font cache) belong in the per-user cache directory and are listed, not failed.
    const std::string cache = root + "/home/.cache/";
    std::vector<std::string> allowed;
    int cached = 0;
    for (const std::string& file : filesUnder(root)) {
        if (file.rfind(config, 0) == 0)
            allowed.push_back(file.substr(root.size()));
        else if (file.rfind(cache, 0) == 0)
            ++cached;
        else
            r.fail("wrote %s outside the settings directory", file.substr(root.size()).c_str());
    }
    if (cached) r.note("%d files written to the per-user cache directory (allowed)", cached);
    std::istringstream lines(out);
    std::string line;
    int recorded = 0;
    while (std::getline(lines, line)) {
        if (line.rfind("write ", 0) != 0) continue;
        std::string path = line.substr(6);
        ++recorded;
        if (path.rfind(root, 0) == 0 || path.rfind("/dev/", 0) == 0 || path.rfind("/proc/", 0) == 0)
            continue;
        r.fail("opened %s for writing, outside the scratch HOME", path.c_str());
    }
    if (!r.failed())
        r.note("HOME, XDG dirs, TMPDIR and the working directory in a scratch tree: files written "
               "only under the settings directory (%s); %d opens for writing recorded%s",
               allowed.empty() ? "none" : join(allowed).c_str(), recorded,
               lumdel_rt_available() ? "" : " (recording not available in sanitizer builds)");
    std::string rm = "rm -rf '" + root + "'";
    if (std::system(rm.c_str()) != 0) r.note("could not remove %s", root.c_str());
}

}  // namespace

int runWritesChild(const std::string& pluginPath) {
    lumdel_rt_record_writes(1);
    {
        PluginLibrary library(pluginPath);
        for (int round = 0; round < 2; ++round) {
            Host host;
            if (!host.load(library)) {
                std::fprintf(stderr, "%s\n", host.error().c_str());
                return 1;
            }
            host.start();
            AEffect* e = host.effect();
            Signal in = makeSilence(e->numInputs, 8192);
            in[0][0] = 1.0;
            process(host, in, 512, false, e->numOutputs);
            for (int p = 0; p < e->numParams; ++p) host.parameterDisplay(p);
            if (e->flags & effFlagsProgramChunks) setChunk(host, getChunk(host));
            if (e->flags & effFlagsHasEditor) {
                ParentWindow window;
                if (window.ok()) {
                    host.dispatch(effEditOpen, 0, 0, window.handle());
                    for (int i = 0; i < 5; ++i) host.dispatch(effEditIdle);
                    host.dispatch(effEditClose);
                }
            }
            host.suspend();
            host.close();
        }
    }
    lumdel_rt_record_writes(0);
    for (int i = 0; i < lumdel_rt_written_count(); ++i)
        std::printf("write %s\n", lumdel_rt_written_path(i));
    return 0;
}

std::vector<Check> binaryChecks() {
    return {
        {"binary.exports", "entry point exported, no runtime symbols exported", checkExports},
        {"binary.needed", "needed libraries and run paths", checkNeeded},
        {"binary.writes", "no files written outside the per-user settings directory", checkWrites},
    };
}

}  // namespace lumdel::host::validate
