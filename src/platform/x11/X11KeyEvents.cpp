#include "platform/x11/X11KeyEvents.h"

#include "platform/x11/X11Reply.h"

#include <algorithm>
#include <cstdlib>
#include <xcb/xinput.h>

X11KeyEvents::X11KeyEvents(std::function<bool()> ownsKeyboard) : m_ownsKeyboard(std::move(ownsKeyboard)) {}

X11KeyEvents::~X11KeyEvents() = default;

std::optional<KeyEvents::Token> X11KeyEvents::addGlobalMonitor(Handler handler)
{
    return add(false, std::move(handler));
}

std::optional<KeyEvents::Token> X11KeyEvents::addLocalMonitor(Handler handler)
{
    return add(true, std::move(handler));
}

std::optional<KeyEvents::Token> X11KeyEvents::add(bool local, Handler handler)
{
    if (m_monitors.empty() && !listen(true))
        return std::nullopt;
    const Token token = m_nextToken++;
    m_monitors.push_back({token, local, std::move(handler)});
    return token;
}

void X11KeyEvents::removeMonitor(Token token)
{
    std::erase_if(m_monitors, [token](const Monitor& m) { return m.token == token; });
    if (m_monitors.empty())
        listen(false);
}

bool X11KeyEvents::listen(bool on)
{
    if (m_unavailable)
        return false;
    if (!m_x) {
        if (!on)
            return true;
        m_x = X11Connection::open();
        const xcb_query_extension_reply_t* extension =
            m_x ? xcb_get_extension_data(m_x->raw(), &xcb_input_id) : nullptr;
        X11Reply<xcb_input_xi_query_version_reply_t> version(
            extension && extension->present
                ? xcb_input_xi_query_version_reply(m_x->raw(), xcb_input_xi_query_version(m_x->raw(), 2, 2),
                                                   nullptr)
                : nullptr);
        if (!version || version->major_version < 2) {
            m_x.reset();
            m_unavailable = true;
            return false;
        }
        m_opcode = extension->major_opcode;
        m_keyboard = X11Keyboard::load(m_x->raw());
        m_notifier =
            std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(m_x->raw()), QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] { readEvents(); });
    }
    if (on) {
        // Raw events carry no modifier state: start from the lock state the server reports now.
        X11Reply<xcb_query_pointer_reply_t> pointer(
            xcb_query_pointer_reply(m_x->raw(), xcb_query_pointer(m_x->raw(), m_x->root()), nullptr));
        m_translator = MacKeyTranslator();
        m_translator.setCapsLock(pointer && (pointer->mask & XCB_MOD_MASK_LOCK));
    }
    struct {
        xcb_input_event_mask_t head;
        uint32_t bits;
    } mask{{XCB_INPUT_DEVICE_ALL_MASTER, 1},
           on ? uint32_t(XCB_INPUT_XI_EVENT_MASK_RAW_KEY_PRESS | XCB_INPUT_XI_EVENT_MASK_RAW_KEY_RELEASE)
              : 0u};
    xcb_input_xi_select_events(m_x->raw(), m_x->root(), 1, &mask.head);
    // Once this returns, the selection is in force.
    m_x->sync();
    readEvents();
    return !m_x->broken();
}

void X11KeyEvents::readEvents()
{
    while (xcb_generic_event_t* event = xcb_poll_for_event(m_x->raw())) {
        const auto* generic = reinterpret_cast<xcb_ge_generic_event_t*>(event);
        if ((event->response_type & 0x7f) == XCB_GE_GENERIC && generic->extension == m_opcode &&
            (generic->event_type == XCB_INPUT_RAW_KEY_PRESS ||
             generic->event_type == XCB_INPUT_RAW_KEY_RELEASE)) {
            const auto* raw = reinterpret_cast<xcb_input_raw_key_press_event_t*>(event);
            const auto keycode = xcb_keycode_t(raw->detail);
            if (const auto translated = m_translator.translate(
                    m_keyboard.keysym(keycode), keycode, generic->event_type == XCB_INPUT_RAW_KEY_PRESS))
                deliver(*translated);
        } else if ((event->response_type & 0x7f) == XCB_MAPPING_NOTIFY) {
            m_keyboard = X11Keyboard::load(m_x->raw());
        }
        std::free(event);
    }
    // A display that went away leaves the socket readable for ever: stop listening to it.
    if (m_x->broken() && m_notifier)
        m_notifier->setEnabled(false);
}

void X11KeyEvents::deliver(const KeyEvent& event)
{
    const bool local = m_ownsKeyboard && m_ownsKeyboard();
    const bool anyLocal =
        std::any_of(m_monitors.begin(), m_monitors.end(), [](const Monitor& m) { return m.local; });
    // Handlers may add or remove monitors: call the ones present now and still present then.
    std::vector<Token> tokens;
    for (const Monitor& monitor : m_monitors) {
        if (monitor.local == (local && anyLocal))
            tokens.push_back(monitor.token);
    }
    for (const Token token : tokens) {
        const auto it = std::find_if(m_monitors.begin(), m_monitors.end(),
                                     [token](const Monitor& m) { return m.token == token; });
        if (it != m_monitors.end()) {
            const Handler handler = it->handler;
            handler(event);
        }
    }
}
