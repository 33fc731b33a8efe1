// Stand-in for the syntax check on Linux (see tools/macos-declarations/README.md): the block
// functions GNUstep's headers ask the Objective-C runtime for.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif
void* _Block_copy(const void* block);
void _Block_release(const void* block);
#ifdef __cplusplus
}
#endif
