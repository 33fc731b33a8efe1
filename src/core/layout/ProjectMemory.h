#pragma once

#include "core/layout/Layout.h"

// Settings a project takes with it when it leaves its slot and gets back when it returns, keyed by
// the project's folder, else its address, else its name.
namespace ProjectMemory {

std::optional<QString> key(const SlotEntry& entry);
ProjectMemoryMap remembering(const SlotEntry& entry, ProjectMemoryMap memory);
SlotEntry restoring(const SlotEntry& entry, const ProjectMemoryMap& memory);

} // namespace ProjectMemory
