// Fuzz target for Preference files: any bytes parse, the written form reads back to
// itself, values convert losslessly when they convert at all, and a key written into
// any file is found again after the file is rewritten and reopened.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "config/pref_file.h"

namespace {

void Check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "fuzz_pref_file: %s\n", what);
        std::abort();
    }
}

std::string TempPath() {
    return "/tmp/wb_fuzz_pref_" + std::to_string(::getpid()) + ".ini";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1 << 20) return 0;
    const char* text = reinterpret_cast<const char*>(data);

    wb::PrefDocument doc;
    wb::PrefParseText(text, size, doc);
    std::string once = wb::PrefRenderText(doc);
    wb::PrefDocument again;
    wb::PrefParseText(once.data(), once.size(), again);
    Check(wb::PrefRenderText(again) == once, "written form does not read back to itself");

    std::string group;
    for (const wb::PrefLine& line : doc.Lines) {
        if (line.Kind == wb::PrefLineKind::Group && group.empty()) group = line.Name;
        std::string latin;
        if (wb::Utf8ToLatin1(line.Value, latin)) {
            Check(wb::Latin1ToUtf8(latin) == line.Value, "UTF-8 conversion is lossy");
        }
        (void)wb::ParseLeadingNumber(line.Value);
    }

    // Through the real file: write one key into the first group and find it again.
    const std::string path = TempPath();
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        if (size) std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    wb::PrefOpen(path.c_str());
    wb::PrefGroup(group.c_str());
    for (const wb::PrefLine& line : doc.Lines) {
        if (line.Kind == wb::PrefLineKind::Key) (void)wb::PrefReadString(line.Name.c_str(), "d");
    }
    wb::PrefWriteString("FuzzKey", "a=b;c");
    wb::PrefWriteNumber("FuzzNumber", -17);
    wb::PrefClose();
    // A plain file whose first line starts with the bytes of a UTF-8 mark is rewritten
    // starting with them, and so reads back as a UTF-8 file: the format cannot tell.
    bool markInFile = size >= 3 && std::string(text, 3) == "\xEF\xBB\xBF";
    bool becomesUtf8 = !markInFile && once.compare(0, 3, "\xEF\xBB\xBF") == 0;
    wb::PrefOpen(path.c_str());
    wb::PrefGroup(group.c_str());
    if (!becomesUtf8) {
        Check(wb::PrefReadString("fuzzkey") == "a=b;c", "written key not found again");
        Check(wb::PrefReadNumber("FUZZNUMBER", 0) == -17, "written number not found again");
    }
    wb::PrefClose();
    std::remove(path.c_str());
    return 0;
}
