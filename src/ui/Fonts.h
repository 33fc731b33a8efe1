#pragma once

// Registers the embedded "M PLUS 1p" fonts with the application, when the build embedded them.
// Call once after the application object exists; answers whether the family is now available.
namespace Fonts {
bool registerBundled();
} // namespace Fonts
