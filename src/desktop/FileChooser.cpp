#include "desktop/FileChooser.h"

#include "desktop/DesktopPaths.h"

#include <gio/gio.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace dravik {

namespace {

constexpr const char* dialogTitle = "Open a sound file";
constexpr const char* portalName = "org.freedesktop.portal.Desktop";
constexpr const char* soundPatterns[] = {"*.wav", "*.flac", "*.ogg", "*.oga", "*.opus", "*.mp3", "*.aif", "*.aiff"};

// A session bus that can be reached without starting one: GLib would
// otherwise launch a bus on the X display, a program of its own.
bool sessionBusReachable()
{
    const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    if (address != nullptr && *address != '\0')
        return true;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::error_code error;
    return runtime != nullptr && *runtime != '\0' &&
           std::filesystem::exists(std::filesystem::path(runtime) / "bus", error);
}

constexpr const char* unavailableMessage =
    "no file chooser: neither the desktop portal nor zenity or kdialog answered; type the path and press Open";

std::string firstLine(const std::string& text)
{
    return text.substr(0, text.find('\n'));
}

} // namespace

// One portal request: the connection, the Response signal it waits for, and
// what came back. Callbacks hold it through a shared pointer, so a chooser
// destroyed mid-request leaves them nothing freed to touch.
struct FileChooser::Portal {
    enum class Phase { Connecting, Calling, Waiting, Done, Failed };
    Phase phase = Phase::Connecting;
    GCancellable* cancellable = g_cancellable_new();
    GDBusConnection* bus = nullptr;
    guint signal = 0;
    std::string token;
    std::string parentWindow;
    Outcome_t outcome;

    ~Portal()
    {
        g_cancellable_cancel(cancellable);
        if (bus != nullptr && signal != 0)
            g_dbus_connection_signal_unsubscribe(bus, signal);
        if (bus != nullptr)
            g_object_unref(bus);
        g_object_unref(cancellable);
    }

    // Callbacks hold the request weakly: one that arrives after the chooser
    // let go of it finds nothing and does nothing.
    using Holder = std::weak_ptr<Portal>;
    static Holder* hold(const std::shared_ptr<Portal>& portal) { return new Holder(portal); }

    void subscribe(const std::string& handle)
    {
        if (signal != 0)
            g_dbus_connection_signal_unsubscribe(bus, signal);
        signal = g_dbus_connection_signal_subscribe(bus, portalName, "org.freedesktop.portal.Request", "Response",
                                                    handle.c_str(), nullptr, G_DBUS_SIGNAL_FLAGS_NONE, &onResponse,
                                                    hold(shared()), &release);
    }

    // The handle a request gets, known before the call so that no reply can
    // come before the subscription (the portal's documented scheme).
    std::string expectedHandle() const
    {
        std::string sender = g_dbus_connection_get_unique_name(bus) + 1;
        for (char& c : sender)
            c = c == '.' ? '_' : c;
        return "/org/freedesktop/portal/desktop/request/" + sender + "/" + token;
    }

    std::shared_ptr<Portal> shared() { return self.lock(); }
    std::weak_ptr<Portal> self;

    static void release(gpointer data) { delete static_cast<Holder*>(data); }

    static void onBus(GObject*, GAsyncResult* result, gpointer data)
    {
        const std::unique_ptr<Holder> holder(static_cast<Holder*>(data));
        GError* error = nullptr;
        GDBusConnection* bus = g_bus_get_finish(result, &error);
        const std::shared_ptr<Portal> portal = holder->lock();
        if (!portal) {
            if (bus != nullptr)
                g_object_unref(bus);
            else
                g_error_free(error);
            return;
        }
        if (bus == nullptr) {
            g_error_free(error);
            portal->phase = Phase::Failed;
            return;
        }
        // GLib ends the process when the session bus goes away, unless told not to.
        g_dbus_connection_set_exit_on_close(bus, FALSE);
        portal->bus = bus;
        portal->call();
    }

    void call()
    {
        subscribe(expectedHandle());
        GVariantBuilder options;
        g_variant_builder_init(&options, G_VARIANT_TYPE_VARDICT);
        g_variant_builder_add(&options, "{sv}", "handle_token", g_variant_new_string(token.c_str()));
        g_variant_builder_add(&options, "{sv}", "modal", g_variant_new_boolean(TRUE));
        GVariantBuilder filters;
        g_variant_builder_init(&filters, G_VARIANT_TYPE("a(sa(us))"));
        GVariantBuilder sounds;
        g_variant_builder_init(&sounds, G_VARIANT_TYPE("a(us)"));
        for (const char* pattern : soundPatterns)
            g_variant_builder_add(&sounds, "(us)", 0u, pattern);
        g_variant_builder_add(&filters, "(sa(us))", "Sound files", &sounds);
        GVariantBuilder all;
        g_variant_builder_init(&all, G_VARIANT_TYPE("a(us)"));
        g_variant_builder_add(&all, "(us)", 0u, "*");
        g_variant_builder_add(&filters, "(sa(us))", "All files", &all);
        g_variant_builder_add(&options, "{sv}", "filters", g_variant_builder_end(&filters));
        phase = Phase::Calling;
        g_dbus_connection_call(bus, portalName, "/org/freedesktop/portal/desktop", "org.freedesktop.portal.FileChooser",
                               "OpenFile", g_variant_new("(ssa{sv})", parentWindow.c_str(), dialogTitle, &options),
                               G_VARIANT_TYPE("(o)"), G_DBUS_CALL_FLAGS_NONE, -1, cancellable, &onCalled,
                               hold(shared()));
    }

    static void onCalled(GObject* source, GAsyncResult* result, gpointer data)
    {
        const std::unique_ptr<Holder> holder(static_cast<Holder*>(data));
        GError* error = nullptr;
        GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error);
        const std::shared_ptr<Portal> locked = holder->lock();
        if (reply == nullptr) {
            // No portal on the bus, or it has no file chooser: the next backend.
            g_error_free(error);
            if (locked && locked->phase == Phase::Calling)
                locked->phase = Phase::Failed;
            return;
        }
        if (!locked) {
            g_variant_unref(reply);
            return;
        }
        Portal& portal = *locked;
        const gchar* handle = nullptr;
        g_variant_get(reply, "(&o)", &handle);
        // Older portals choose their own handle.
        if (handle != portal.expectedHandle())
            portal.subscribe(handle);
        g_variant_unref(reply);
        if (portal.phase == Phase::Calling)
            portal.phase = Phase::Waiting;
    }

    static void onResponse(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
                           GVariant* parameters, gpointer data)
    {
        const std::shared_ptr<Portal> locked = static_cast<Holder*>(data)->lock();
        if (!locked || locked->phase == Phase::Done || locked->phase == Phase::Failed)
            return;
        Portal& portal = *locked;
        guint32 response = 2;
        GVariant* results = nullptr;
        g_variant_get(parameters, "(u@a{sv})", &response, &results);
        const gchar** uris = nullptr;
        portal.outcome = Outcome_t{};
        if (response == 0 && g_variant_lookup(results, "uris", "^a&s", &uris) && uris != nullptr &&
            uris[0] != nullptr) {
            portal.outcome.path = pathFromFileUri(uris[0]);
            if (!portal.outcome.path.empty())
                portal.outcome.status = Outcome_t::Status::Chosen;
        }
        g_free(uris);
        g_variant_unref(results);
        portal.phase = Phase::Done;
    }
};

FileChooser::FileChooser(std::vector<Backend> backends)
    : backends(std::move(backends))
{
}

FileChooser::~FileChooser() = default;

void FileChooser::open(unsigned long parentWindow)
{
    if (isOpen())
        return;
    parent = parentWindow;
    if (!startFrom(0))
        ready = Outcome_t{Outcome_t::Status::Unavailable, {}, unavailableMessage};
}

bool FileChooser::startFrom(std::size_t next)
{
    for (current = next; current < backends.size(); ++current) {
        const Backend backend = backends[current];
        if (backend == Backend::Portal ? startPortal() : startChild(backend))
            return true;
    }
    state = State::Idle;
    return false;
}

bool FileChooser::startPortal()
{
    if (!sessionBusReachable())
        return false;
    static unsigned counter = 0;
    portal = std::make_shared<Portal>();
    portal->self = portal;
    portal->token = "dravik" + std::to_string(::getpid()) + "_" + std::to_string(++counter);
    // The portal names an X11 parent by its id in hexadecimal.
    if (parent != 0) {
        char id[32];
        std::snprintf(id, sizeof id, "x11:%lx", parent);
        portal->parentWindow = id;
    }
    g_bus_get(G_BUS_TYPE_SESSION, portal->cancellable, &Portal::onBus, Portal::hold(portal));
    state = State::Portal;
    return true;
}

bool FileChooser::startChild(Backend backend)
{
    std::vector<std::string> argv;
    const std::string attach = parent != 0 ? "--attach=" + std::to_string(parent) : std::string();
    if (backend == Backend::Zenity) {
        argv = {"zenity", "--file-selection", std::string("--title=") + dialogTitle};
        std::string patterns = "--file-filter=Sound files |";
        for (const char* pattern : soundPatterns)
            patterns += std::string(" ") + pattern;
        argv.push_back(patterns);
        argv.emplace_back("--file-filter=All files | *");
    } else {
        std::string patterns;
        for (const char* pattern : soundPatterns)
            patterns += std::string(patterns.empty() ? "" : " ") + pattern;
        argv = {"kdialog", "--title", dialogTitle, "--getopenfilename", ".", patterns + "|Sound files"};
    }
    if (!attach.empty())
        argv.push_back(attach);
    if (!child.start(argv).empty())
        return false;
    state = State::Child;
    return true;
}

std::optional<FileChooser::Outcome_t> FileChooser::poll()
{
    if (ready) {
        std::optional<Outcome_t> outcome = std::move(ready);
        ready.reset();
        return outcome;
    }
    if (state == State::Portal) {
        // The portal's replies are dispatched here, on the frame's thread.
        for (int i = 0; i < 32 && g_main_context_iteration(nullptr, FALSE); ++i) {
        }
        if (portal->phase == Portal::Phase::Failed) {
            portal.reset();
            if (!startFrom(current + 1))
                return Outcome_t{Outcome_t::Status::Unavailable, {}, unavailableMessage};
            return std::nullopt;
        }
        if (portal->phase != Portal::Phase::Done)
            return std::nullopt;
        Outcome_t outcome = portal->outcome;
        portal.reset();
        state = State::Idle;
        return outcome;
    }
    if (state == State::Child) {
        std::optional<ChildExit_t> exit = child.poll();
        if (!exit)
            return std::nullopt;
        state = State::Idle;
        // 1 is a cancel; anything else means the program could not show its
        // dialog (no display it can use, say): the next backend.
        if (exit->status != 0 && exit->status != 1) {
            if (!startFrom(current + 1))
                return Outcome_t{Outcome_t::Status::Unavailable, {}, unavailableMessage};
            return std::nullopt;
        }
        Outcome_t outcome;
        const std::string path = firstLine(exit->output);
        if (exit->status == 0 && !path.empty()) {
            outcome.status = Outcome_t::Status::Chosen;
            outcome.path = path;
        }
        return outcome;
    }
    return std::nullopt;
}

} // namespace dravik
