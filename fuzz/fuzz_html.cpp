// The HTML text utilities on an arbitrary page: decoding, then a whole
// token walk looking at tag names and attributes as the sources do.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "uuhtml.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace nubra;
    const std::string page = DecodeEntities(std::string_view(reinterpret_cast<const char*>(data), size));
    std::size_t pos = 1;
    std::size_t tokens = 0;
    while (pos <= page.size()) {
        const std::size_t before = pos;
        const std::string token = ReadToken(page, pos);
        if (pos <= before)
            __builtin_trap(); // a walk must always move on
        const std::string name = TagName(token);
        (void)AttributeValue(token, "class");
        (void)AttributeValue(token, "alt");
        (void)HasAlphaNumeric(name.empty() ? token : name);
        ++tokens;
    }
    (void)tokens;
    return 0;
}
