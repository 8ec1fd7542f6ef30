// Feeds arbitrary bytes to the memory-file reader as either file. A file read
// as intact must encode back to the same bytes; a damaged one must say how and
// keep to its slot count. The bytes are also loaded by a store as both of its
// files, which is then walked and popped.
#include "memory/CK2MemoryStore.h"
#include "memory/K2MemoryFile.h"

#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

using namespace tamrel;

namespace {

void check(bool ok) {
    if (!ok)
        std::abort();
}

void parseAs(std::span<const uint8_t> bytes, const MemoryFileKind& kind) {
    const ParsedMemoryFile p = ParseMemoryFile(bytes, kind);
    check(p.records.size() <= kind.slots);
    check((p.problem == MemoryFileProblem::None) == (p.status == kMemoryOk));
    check((p.problem == MemoryFileProblem::None) == p.detail.empty());
    if (p.problem != MemoryFileProblem::None)
        return;
    const std::vector<uint8_t> again = EncodeMemoryFile(*p.header, p.records);
    check(std::equal(again.begin(), again.end(), bytes.begin(), bytes.end()));
}

// The store reads real files; TMPDIR may name a memory-backed folder, since
// every run writes both files again.
const std::string& home() {
    static const std::string dir = [] {
        const char* tmp = std::getenv("TMPDIR");
        std::string tmpl = std::string(tmp && *tmp ? tmp : "/tmp") + "/fuzz_memory_file.XXXXXX";
        check(::mkdtemp(tmpl.data()) != nullptr);
        return tmpl;
    }();
    return dir;
}

void put(const std::string& path, const uint8_t* data, size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> bytes(data, size);
    parseAs(bytes, kMemoryFileKind);
    parseAs(bytes, kStackFileKind);

    put(home() + "/K2Memory.Cfg", data, size);
    put(home() + "/K2StackRegisters.Cfg", data, size);
    CK2MemoryStore store(home());
    check(store.UsedMemories() <= CK2MemoryStore::kMemorySlots);
    check(store.CurrentRegister() >= 0 &&
          store.CurrentRegister() < static_cast<int32_t>(CK2MemoryStore::kRegisterSlots));
    K2MemoryRecord r;
    for (bool more = store.FirstMemory(r); more; more = store.NextMemory(r))
        check(store.MemoryNameExists(r.Name()));
    for (int i = 0; i < 6; ++i)
        (void)store.PopStackingRegister(r); // an empty ring refuses; that is fine here
    store.NextDefaultMemoryName();
    return 0;
}
