// The X11 screen through xcb: pictures with MIT-SHM (one shared segment the
// server writes into, no copy through the socket), plain GetImage where the
// extension is missing, and the pointer's picture from XFixes.
#include "record/screensource.h"
#include "record/session.h"

#include <QByteArray>
#include <QtGlobal>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <xcb/shm.h>
#include <xcb/xcb.h>
#include <xcb/xfixes.h>

namespace orugif::record {

namespace {

template <typename T>
struct Reply {
    T* p = nullptr;
    explicit Reply(T* r) : p(r) {}
    Reply(const Reply&) = delete;
    Reply& operator=(const Reply&) = delete;
    ~Reply() { std::free(p); }
    T* operator->() const { return p; }
    void reset(T* r)
    {
        std::free(p);
        p = r;
    }
    explicit operator bool() const { return p != nullptr; }
};

// Blends the premultiplied ARGB picture `argb` (w x h) over `into` at `at`.
void drawPointer(QImage& into, const std::uint32_t* argb, int w, int h, QPoint at)
{
    const int x0 = std::max(0, at.x()), y0 = std::max(0, at.y());
    const int x1 = std::min(into.width(), at.x() + w), y1 = std::min(into.height(), at.y() + h);
    for (int y = y0; y < y1; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(into.scanLine(y));
        const std::uint32_t* src = argb + std::size_t(y - at.y()) * std::size_t(w);
        for (int x = x0; x < x1; ++x) {
            const std::uint32_t s = src[x - at.x()];
            const std::uint32_t a = s >> 24;
            if (a == 0)
                continue;
            const std::uint32_t d = row[x];
            std::uint32_t out = 0xff000000u;
            for (int shift = 0; shift < 24; shift += 8) {
                const std::uint32_t sc = (s >> shift) & 0xff, dc = (d >> shift) & 0xff;
                out |= std::min<std::uint32_t>(255, sc + (dc * (255 - a) + 127) / 255) << shift;
            }
            row[x] = out;
        }
    }
}

class X11Screen final : public ScreenSource {
public:
    X11Screen(xcb_connection_t* connection, xcb_screen_t* screen) : c_(connection), screen_(screen)
    {
        if (const xcb_query_extension_reply_t* shm = xcb_get_extension_data(c_, &xcb_shm_id); shm && shm->present)
            shm_ = true;
        if (const xcb_query_extension_reply_t* fx = xcb_get_extension_data(c_, &xcb_xfixes_id); fx && fx->present) {
            Reply<xcb_xfixes_query_version_reply_t> v{
                xcb_xfixes_query_version_reply(c_, xcb_xfixes_query_version(c_, 4, 0), nullptr)};
            xfixes_ = bool(v);
        }
    }
    ~X11Screen() override
    {
        detach();
        xcb_disconnect(c_);
    }

    // Only 24-bit colour in 32-bit pixels, least significant byte first, is
    // read; other depths are refused with a message before recording.
    bool supported() const
    {
        if (screen_->root_depth != 24 && screen_->root_depth != 32)
            return false;
        const xcb_setup_t* setup = xcb_get_setup(c_);
        if (setup->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST)
            return false;
        for (auto it = xcb_setup_pixmap_formats_iterator(setup); it.rem; xcb_format_next(&it))
            if (it.data->depth == screen_->root_depth)
                return it.data->bits_per_pixel == 32;
        return false;
    }

    QRect screenRect() const override { return {0, 0, screen_->width_in_pixels, screen_->height_in_pixels}; }

    bool grab(const QRect& wanted, bool pointer, QImage& into) override
    {
        const QRect region = wanted.intersected(screenRect());
        if (region.isEmpty())
            return false;
        if (!readyForGrab(into, region.size()))
            return false;
        const std::size_t rowBytes = std::size_t(region.width()) * 4;
        const std::size_t bytes = rowBytes * std::size_t(region.height());
        const std::uint8_t* pixels = nullptr;
        Reply<xcb_get_image_reply_t> plain{nullptr};
        if (shm_ && attach(bytes)) {
            Reply<xcb_shm_get_image_reply_t> r{xcb_shm_get_image_reply(
                c_,
                xcb_shm_get_image(c_, screen_->root, std::int16_t(region.x()), std::int16_t(region.y()),
                                  std::uint16_t(region.width()), std::uint16_t(region.height()), ~0u,
                                  XCB_IMAGE_FORMAT_Z_PIXMAP, segment_, 0),
                nullptr)};
            if (!r)
                return false;
            pixels = static_cast<const std::uint8_t*>(address_);
        } else {
            plain.reset(xcb_get_image_reply(
                c_,
                xcb_get_image(c_, XCB_IMAGE_FORMAT_Z_PIXMAP, screen_->root, std::int16_t(region.x()),
                              std::int16_t(region.y()), std::uint16_t(region.width()),
                              std::uint16_t(region.height()), ~0u),
                nullptr));
            if (!plain || std::size_t(xcb_get_image_data_length(plain.p)) < bytes)
                return false;
            pixels = xcb_get_image_data(plain.p);
        }
        // The server leaves the top byte undefined; a picture's is opaque.
        for (int y = 0; y < region.height(); ++y) {
            const auto* src = reinterpret_cast<const std::uint32_t*>(pixels + rowBytes * std::size_t(y));
            auto* dst = reinterpret_cast<std::uint32_t*>(into.scanLine(y));
            for (int x = 0; x < region.width(); ++x)
                dst[x] = src[x] | 0xff000000u;
        }
        if (pointer && xfixes_)
            drawCursor(into, region.topLeft());
        return true;
    }

    std::optional<QRect> windowRect(std::uint32_t id) override
    {
        Reply<xcb_get_geometry_reply_t> g{xcb_get_geometry_reply(c_, xcb_get_geometry(c_, id), nullptr)};
        if (!g)
            return std::nullopt;
        Reply<xcb_translate_coordinates_reply_t> t{xcb_translate_coordinates_reply(
            c_, xcb_translate_coordinates(c_, id, screen_->root, 0, 0), nullptr)};
        if (!t)
            return std::nullopt;
        const int border = g->border_width;
        return QRect(t->dst_x - border, t->dst_y - border, g->width + 2 * border, g->height + 2 * border);
    }

    std::optional<std::pair<std::uint32_t, QRect>> windowAt(QPoint point, std::uint32_t except) override
    {
        // The root's children come bottom to top: the last mapped one holding
        // the point is the one shown there.
        Reply<xcb_query_tree_reply_t> tree{xcb_query_tree_reply(c_, xcb_query_tree(c_, screen_->root), nullptr)};
        if (!tree)
            return std::nullopt;
        const xcb_window_t* children = xcb_query_tree_children(tree.p);
        for (int i = xcb_query_tree_children_length(tree.p) - 1; i >= 0; --i) {
            const xcb_window_t w = children[i];
            if (w == except)
                continue;
            Reply<xcb_get_window_attributes_reply_t> a{
                xcb_get_window_attributes_reply(c_, xcb_get_window_attributes(c_, w), nullptr)};
            if (!a || a->map_state != XCB_MAP_STATE_VIEWABLE || a->_class == XCB_WINDOW_CLASS_INPUT_ONLY)
                continue;
            const std::optional<QRect> r = windowRect(w);
            if (r && r->contains(point))
                return std::make_pair(std::uint32_t(w), *r);
        }
        return std::nullopt;
    }

private:
    void drawCursor(QImage& into, QPoint origin)
    {
        Reply<xcb_xfixes_get_cursor_image_reply_t> cur{
            xcb_xfixes_get_cursor_image_reply(c_, xcb_xfixes_get_cursor_image(c_), nullptr)};
        if (!cur || cur->width == 0 || cur->height == 0)
            return;
        if (xcb_xfixes_get_cursor_image_cursor_image_length(cur.p) < int(cur->width) * int(cur->height))
            return;
        const QPoint at(cur->x - cur->xhot - origin.x(), cur->y - cur->yhot - origin.y());
        drawPointer(into, xcb_xfixes_get_cursor_image_cursor_image(cur.p), cur->width, cur->height, at);
    }

    // One shared segment, grown when a larger region is read.
    bool attach(std::size_t bytes)
    {
        if (address_ && capacity_ >= bytes)
            return true;
        detach();
        const int id = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
        if (id < 0) {
            shm_ = false;
            return false;
        }
        void* address = shmat(id, nullptr, 0);
        if (address == reinterpret_cast<void*>(-1)) {
            shmctl(id, IPC_RMID, nullptr);
            shm_ = false;
            return false;
        }
        const xcb_shm_seg_t segment = xcb_generate_id(c_);
        xcb_generic_error_t* error = xcb_request_check(c_, xcb_shm_attach_checked(c_, segment, std::uint32_t(id), 0));
        // Marked for removal at once: it goes when both sides let go, even
        // when the editor is killed.
        shmctl(id, IPC_RMID, nullptr);
        if (error) {
            // A server on another machine cannot share memory with us.
            std::free(error);
            shmdt(address);
            shm_ = false;
            return false;
        }
        segment_ = segment;
        address_ = address;
        capacity_ = bytes;
        return true;
    }

    void detach()
    {
        if (!address_)
            return;
        xcb_shm_detach(c_, segment_);
        xcb_flush(c_);
        shmdt(address_);
        address_ = nullptr;
        capacity_ = 0;
    }

    xcb_connection_t* c_;
    xcb_screen_t* screen_;
    bool shm_ = false, xfixes_ = false;
    xcb_shm_seg_t segment_ = 0;
    void* address_ = nullptr;
    std::size_t capacity_ = 0;
};

} // namespace

std::unique_ptr<ScreenSource> openX11Screen(QString* why)
{
    const auto fail = [why](const QString& message) -> std::unique_ptr<ScreenSource> {
        if (why)
            *why = message;
        return nullptr;
    };
    const QByteArray display = qgetenv("DISPLAY");
    if (display.isEmpty())
        return fail(QStringLiteral("L'enregistrement de l'écran demande un serveur X (la variable DISPLAY "
                                   "n'est pas définie)."));
    int number = 0;
    xcb_connection_t* c = xcb_connect(display.constData(), &number);
    if (!c || xcb_connection_has_error(c)) {
        if (c)
            xcb_disconnect(c);
        return fail(QStringLiteral("Impossible de joindre le serveur X %1.").arg(QString::fromLocal8Bit(display)));
    }
    xcb_prefetch_extension_data(c, &xcb_shm_id);
    xcb_prefetch_extension_data(c, &xcb_xfixes_id);
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < number && it.rem; ++i)
        xcb_screen_next(&it);
    if (!it.rem) {
        xcb_disconnect(c);
        return fail(QStringLiteral("Le serveur X %1 n'a pas d'écran.").arg(QString::fromLocal8Bit(display)));
    }
    auto screen = std::make_unique<X11Screen>(c, it.data);
    if (!screen->supported())
        return fail(QStringLiteral("L'écran doit être en 24 bits par pixel pour être enregistré."));
    return screen;
}

namespace {

// Ctrl+Alt+P and Ctrl+Alt+S grabbed on the root window, whatever the state
// of Caps Lock and Num Lock, on a connection of their own.
class X11Keys final : public GlobalKeys {
public:
    explicit X11Keys(xcb_connection_t* c) : c_(c)
    {
        root_ = xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root;
        pause_ = keycodeOf('p');
        stop_ = keycodeOf('s');
        for (xcb_keycode_t key : {pause_, stop_})
            if (key)
                for (const int extra : {0, int(XCB_MOD_MASK_LOCK), int(XCB_MOD_MASK_2), int(XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2)})
                    xcb_grab_key(c_, 0, root_, std::uint16_t(kModifiers | extra), key, XCB_GRAB_MODE_ASYNC,
                                 XCB_GRAB_MODE_ASYNC);
        xcb_flush(c_);
    }
    ~X11Keys() override
    {
        xcb_ungrab_key(c_, XCB_GRAB_ANY, root_, XCB_MOD_MASK_ANY);
        xcb_flush(c_);
        xcb_disconnect(c_);
    }
    Key poll() override
    {
        while (xcb_generic_event_t* e = xcb_poll_for_event(c_)) {
            Key k = None;
            if ((e->response_type & 0x7f) == XCB_KEY_PRESS) {
                const auto* press = reinterpret_cast<xcb_key_press_event_t*>(e);
                k = press->detail == pause_ ? PauseKey : press->detail == stop_ ? StopKey : None;
            }
            std::free(e);
            if (k != None)
                return k;
        }
        return None;
    }

private:
    static constexpr std::uint16_t kModifiers = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1;

    xcb_keycode_t keycodeOf(std::uint32_t keysym)
    {
        const xcb_setup_t* setup = xcb_get_setup(c_);
        const int count = setup->max_keycode - setup->min_keycode + 1;
        Reply<xcb_get_keyboard_mapping_reply_t> map{xcb_get_keyboard_mapping_reply(
            c_, xcb_get_keyboard_mapping(c_, setup->min_keycode, std::uint8_t(count)), nullptr)};
        if (!map)
            return 0;
        const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(map.p);
        const int per = map->keysyms_per_keycode;
        const int length = xcb_get_keyboard_mapping_keysyms_length(map.p);
        for (int i = 0; i < count && (i + 1) * per <= length; ++i)
            for (int j = 0; j < per; ++j)
                if (syms[i * per + j] == keysym)
                    return xcb_keycode_t(setup->min_keycode + i);
        return 0;
    }

    xcb_connection_t* c_;
    xcb_window_t root_ = 0;
    xcb_keycode_t pause_ = 0, stop_ = 0;
};

} // namespace

std::unique_ptr<GlobalKeys> grabGlobalKeys()
{
    if (!qgetenv("WAYLAND_DISPLAY").isEmpty() || qgetenv("DISPLAY").isEmpty())
        return nullptr;
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (!c || xcb_connection_has_error(c)) {
        if (c)
            xcb_disconnect(c);
        return nullptr;
    }
    return std::make_unique<X11Keys>(c);
}

} // namespace orugif::record
