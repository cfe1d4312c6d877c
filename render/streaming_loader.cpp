#include "render/streaming_loader.h"

namespace quorvane {

bool CRegistryStreamingLoader::StartLoad(CModelEntry& entry) {
    return registry_.StartLoaderThread(entry);
}

bool CRegistryStreamingLoader::IsLoading(const CModelEntry& entry) const {
    return registry_.IsLoading(entry);
}

void CRegistryStreamingLoader::WaitForLoads() {
    // A failed load has already given its slot back and left the entry unloaded.
    registry_.WaitForLoaderThreads();
}

bool CRegistryStreamingLoader::MakeInstance(CModelEntry& entry, CModelEntry& source) {
    // The entry keeps its unique name; the source is named by its model's ID.
    return registry_.MakeInstance(entry, source, entry.name, source.name);
}

} // namespace quorvane
