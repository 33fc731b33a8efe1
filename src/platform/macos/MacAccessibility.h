#pragma once

#include "platform/Accessibility.h"

// The accessibility operations through the accessibility API of ApplicationServices. Applications
// are found and activated through AppKit (MacApplications).
class MacAccessibility final : public Accessibility {
public:
    // How long one request to an application may take before it counts as failed: a hung
    // application then costs a listing a bounded delay instead of holding it for ever.
    static constexpr float messagingTimeout = 0.5f;

    bool isProcessTrusted(bool promptIfNeeded) override;
    QList<qint32> runningApplications(const QString& bundleIdentifier) override;
    AXElement applicationElement(qint32 pid) override;
    AXResult copyAttribute(const AXElement& element, const QString& attribute) override;
    AXError setAttribute(const AXElement& element, const QString& attribute, const AXValue& value) override;
    AXError performAction(const AXElement& element, const QString& action) override;
    bool activateApplication(qint32 pid) override;
    std::optional<qint32> frontmostApplication() override;
    qint32 ownProcessIdentifier() override;
};
