#include "desktop/FileChooser.h"

#include <gio/gio.h>
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <unistd.h>

namespace dravik {
namespace {

namespace fs = std::filesystem;
using Status = FileChooser::Outcome_t::Status;

constexpr const char* portalXml = "<node><interface name='org.freedesktop.portal.FileChooser'>"
                                  "<method name='OpenFile'><arg type='s' direction='in'/>"
                                  "<arg type='s' direction='in'/><arg type='a{sv}' direction='in'/>"
                                  "<arg type='o' direction='out'/></method></interface></node>";

// A desktop portal's file chooser on a private session bus: it answers
// OpenFile as the real one does, with a request handle and a Response signal.
class FakePortal {
public:
    explicit FakePortal(GDBusConnection* bus)
        : bus(bus)
    {
        GDBusNodeInfo* info = g_dbus_node_info_new_for_xml(portalXml, nullptr);
        static const GDBusInterfaceVTable vtable{&FakePortal::onCall, nullptr, nullptr, {}};
        object = g_dbus_connection_register_object(bus, "/org/freedesktop/portal/desktop", info->interfaces[0], &vtable,
                                                   this, nullptr, nullptr);
        g_dbus_node_info_unref(info);
        name = g_bus_own_name_on_connection(bus, "org.freedesktop.portal.Desktop", G_BUS_NAME_OWNER_FLAGS_NONE, nullptr,
                                            nullptr, nullptr, nullptr);
    }
    ~FakePortal()
    {
        g_bus_unown_name(name);
        g_dbus_connection_unregister_object(bus, object);
    }

    guint32 response = 0;
    std::string uri;
    std::string parentWindow;
    std::string filters;

private:
    static void onCall(GDBusConnection* connection, const gchar* sender, const gchar*, const gchar*, const gchar*,
                       GVariant* parameters, GDBusMethodInvocation* invocation, gpointer data)
    {
        FakePortal& portal = *static_cast<FakePortal*>(data);
        const gchar* parent = nullptr;
        const gchar* title = nullptr;
        GVariant* options = nullptr;
        g_variant_get(parameters, "(&s&s@a{sv})", &parent, &title, &options);
        portal.parentWindow = parent;
        const gchar* token = "none";
        g_variant_lookup(options, "handle_token", "&s", &token);
        if (GVariant* filters = g_variant_lookup_value(options, "filters", nullptr)) {
            gchar* text = g_variant_print(filters, FALSE);
            portal.filters = text;
            g_free(text);
            g_variant_unref(filters);
        }
        std::string client = sender + 1;
        for (char& c : client)
            c = c == '.' ? '_' : c;
        const std::string handle = "/org/freedesktop/portal/desktop/request/" + client + "/" + token;
        g_variant_unref(options);
        g_dbus_method_invocation_return_value(invocation, g_variant_new("(o)", handle.c_str()));

        GVariantBuilder results;
        g_variant_builder_init(&results, G_VARIANT_TYPE_VARDICT);
        if (!portal.uri.empty()) {
            const gchar* uris[] = {portal.uri.c_str(), nullptr};
            g_variant_builder_add(&results, "{sv}", "uris", g_variant_new_strv(uris, -1));
        }
        g_dbus_connection_emit_signal(connection, sender, handle.c_str(), "org.freedesktop.portal.Request", "Response",
                                      g_variant_new("(ua{sv})", portal.response, &results), nullptr);
    }

    GDBusConnection* bus;
    guint object = 0;
    guint name = 0;
};

// One private bus daemon for the suite, named in DBUS_SESSION_BUS_ADDRESS.
class PortalChooserTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        // The standard session bus without its service folders: nothing
        // installed on the machine (a real portal) is started on this bus.
        std::ifstream standard("/usr/share/dbus-1/session.conf");
        if (!standard)
            return;
        std::string text((std::istreambuf_iterator<char>(standard)), std::istreambuf_iterator<char>());
        for (const std::string tag : {"<standard_session_servicedirs />", "<standard_session_servicedirs/>"})
            for (std::size_t at = text.find(tag); at != std::string::npos; at = text.find(tag))
                text.erase(at, tag.size());
        const fs::path config = fs::temp_directory_path() / ("dravik-bus-" + std::to_string(::getpid()) + ".conf");
        std::ofstream(config) << text;
        const std::string command =
            "dbus-daemon --config-file=" + config.string() + " --fork --print-address=1 --print-pid=1 2>/dev/null";
        FILE* daemon = ::popen(command.c_str(), "r");
        if (daemon == nullptr)
            return;
        char address[512] = {};
        long pid = 0;
        if (std::fgets(address, sizeof address, daemon) != nullptr && std::fscanf(daemon, "%ld", &pid) == 1) {
            std::string text = address;
            text.erase(text.find_last_not_of('\n') + 1);
            busAddress = text;
            daemonPid = static_cast<pid_t>(pid);
        }
        ::pclose(daemon);
        fs::remove(config);
    }
    static void TearDownTestSuite()
    {
        if (daemonPid > 0)
            ::kill(daemonPid, SIGTERM);
    }

    void SetUp() override
    {
        if (busAddress.empty())
            GTEST_SKIP() << "no dbus-daemon with a session configuration";
        ::setenv("DBUS_SESSION_BUS_ADDRESS", busAddress.c_str(), 1);
        GError* error = nullptr;
        bus = g_dbus_connection_new_for_address_sync(
            busAddress.c_str(),
            static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                              G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
            nullptr, nullptr, &error);
        ASSERT_NE(bus, nullptr) << error->message;
        g_dbus_connection_set_exit_on_close(bus, FALSE);
    }
    void TearDown() override
    {
        if (bus != nullptr)
            g_object_unref(bus);
        ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
    }

    static std::optional<FileChooser::Outcome_t> waitForOutcome(FileChooser& chooser)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < deadline) {
            if (std::optional<FileChooser::Outcome_t> outcome = chooser.poll())
                return outcome;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return std::nullopt;
    }

    static inline std::string busAddress;
    static inline pid_t daemonPid = 0;
    GDBusConnection* bus = nullptr;
};

TEST_F(PortalChooserTest, ThePortalsAnswerIsTheChosenFile)
{
    FakePortal portal(bus);
    struct Case {
        guint32 response;
        std::string uri;
        Status status;
        std::string path;
    };
    const std::vector<Case> cases{
        {0, "file:///home/u/my%20songs/%C3%A9t%C3%A9.flac", Status::Chosen, "/home/u/my songs/été.flac"},
        {1, "", Status::Cancelled, ""},
        // Ended some other way (the portal's 2): nothing opens.
        {2, "", Status::Cancelled, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.response);
        portal.response = c.response;
        portal.uri = c.uri;
        FileChooser chooser({FileChooser::Backend::Portal});
        chooser.open(0x1234);
        const std::optional<FileChooser::Outcome_t> outcome = waitForOutcome(chooser);
        ASSERT_TRUE(outcome);
        EXPECT_EQ(outcome->status, c.status);
        EXPECT_EQ(outcome->path, c.path);
    }
    EXPECT_EQ(portal.parentWindow, "x11:1234");
    EXPECT_NE(portal.filters.find("'*.wav'"), std::string::npos) << portal.filters;
}

TEST_F(PortalChooserTest, WithoutAPortalOnTheBusTheNextChooserIsShown)
{
    const fs::path bin = fs::temp_directory_path() / ("dravik-portal-" + std::to_string(::getpid()));
    fs::create_directories(bin);
    std::ofstream(bin / "zenity") << "#!/bin/sh\necho /tmp/from-zenity.wav\n";
    fs::permissions(bin / "zenity", fs::perms::owner_all);
    const std::string oldPath = std::getenv("PATH") != nullptr ? std::getenv("PATH") : "";
    ::setenv("PATH", bin.c_str(), 1);
    FileChooser chooser;
    chooser.open(0);
    const std::optional<FileChooser::Outcome_t> outcome = waitForOutcome(chooser);
    ::setenv("PATH", oldPath.c_str(), 1);
    fs::remove_all(bin);
    ASSERT_TRUE(outcome);
    EXPECT_EQ(outcome->status, Status::Chosen);
    EXPECT_EQ(outcome->path, "/tmp/from-zenity.wav");
}

} // namespace
} // namespace dravik
