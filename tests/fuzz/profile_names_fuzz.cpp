// Feeds arbitrary bytes to the code that takes apart the store's packed name list and
// the names in it: the split must stay inside the buffer, and every name must split
// into a file name and extension that together are the name's last component.
#include "cms/CMSSupportEx.h"
#include "report/mbstring.h"
#include "sim/sim_platform.h"

#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static SimPlatform* platform = [] {
        auto* sim = new SimPlatform;
        SetPlatform(sim);
        return sim;
    }();
    if (size == 0)
        return 0;

    // The first byte picks the code page: a byte from 0x80 up becomes its only lead byte.
    platform->LeadBytes().clear();
    if (data[0] >= 0x80)
        platform->LeadBytes().insert(data[0]);

    // The names come in a buffer of exactly their size, so reading past it is caught.
    std::vector<char> buffer(data + 1, data + size);
    std::vector<std::string> names;
    SplitMultiString(buffer.data(), buffer.size(), names);

    size_t consumed = 0;
    for (const std::string& name : names) {
        consumed += name.size() + 1;
        std::string fileName;
        std::string extension;
        SplitPath(name.c_str(), &fileName, &extension);
        if (!extension.empty() && extension[0] != '.')
            std::abort();
        if (name.size() < fileName.size() + extension.size())
            std::abort();
        if (name.compare(name.size() - extension.size(), extension.size(), extension) != 0)
            std::abort();
        const bool listed = IsProfileExtension(name);
        if (listed && extension.size() != 4)
            std::abort();
    }
    if (consumed > buffer.size() + 1)
        std::abort();
    return 0;
}
