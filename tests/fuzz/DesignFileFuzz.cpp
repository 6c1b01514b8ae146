// Any bytes read as a design file: a refusal whose message names the file
// and the problem, or texts that, written, read back as the same texts.

#include <cstdint>
#include <string>
#include <string_view>

#include "designfile/DesignFile.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using stepdown::fuzz::Require;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string named = "Impossibile aprire il file f.stepdown: ";
    const stepdown::DesignFileOutcome read = stepdown::ParseDesignFile(bytes, "f.stepdown");
    Require(
        read.file || (read.message.rfind(named, 0) == 0 && read.message.size() > named.size() + 8),
        "refusal without its message", read.message);
    if (!read.file) return 0;
    const std::string written = stepdown::DesignFileText(*read.file);
    Require(stepdown::ParseDesignFile(written, "f.stepdown").file == read.file,
            "written texts read back otherwise", written);
    return 0;
}
