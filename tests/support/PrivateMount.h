#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTest>

#include <cerrno>
#include <cstring>
#include <utility>

#include <sched.h>
#include <sys/mount.h>

// A test step that needs a folder read-only for root too, or a small file
// system that fills up, mounts it in a private mount namespace: the test
// process moves into one (once), so the mount is seen by nobody else and goes
// when the object does. Only the calling thread, and the processes it starts
// meanwhile, see the mount.
//
// A machine that cannot do it refuses, and the test skips with the reason: no
// CAP_SYS_ADMIN (an ordinary user, most containers), or a chroot whose "/" is
// no mount point, where a new mount could not be kept private. A mount that
// fails for another reason (the folder is missing) is the test's own fault and
// fails it. Once mounted, the step runs, and its checks pass or fail:
//
//     const PrivateMount readOnly = PrivateMount::readOnly(folder);
//     ZUNO_REQUIRE_MOUNT(readOnly);
class PrivateMount
{
public:
    enum class State { Mounted, Refused, Failed };

    // `folder` bound onto itself read-only.
    static PrivateMount readOnly(const QString& folder)
    {
        PrivateMount m(folder);
        if (m.enterNamespace() && m.check(::mount(m.m_folder.constData(), m.m_folder.constData(),
                                                  nullptr, MS_BIND, nullptr),
                                          "bind mount"))
            m.check(::mount(nullptr, m.m_folder.constData(), nullptr,
                            MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr),
                    "read-only remount");
        return m;
    }

    // An empty tmpfs of `kibibytes` over `folder`.
    static PrivateMount smallDisk(const QString& folder, int kibibytes)
    {
        PrivateMount m(folder);
        const QByteArray options = "size=" + QByteArray::number(kibibytes) + "k";
        if (m.enterNamespace())
            m.check(::mount("tmpfs", m.m_folder.constData(), "tmpfs", MS_NOSUID | MS_NODEV,
                            options.constData()),
                    "tmpfs mount");
        return m;
    }

    PrivateMount(PrivateMount&& other) noexcept
        : m_folder(std::exchange(other.m_folder, {}))
        , m_state(std::exchange(other.m_state, State::Failed))
        , m_reason(std::move(other.m_reason))
        , m_mounted(std::exchange(other.m_mounted, false))
    {}
    PrivateMount& operator=(PrivateMount&&) = delete;
    ~PrivateMount()
    {
        if (m_mounted)
            ::umount2(m_folder.constData(), MNT_DETACH);
    }

    State state() const { return m_state; }
    const char* reason() const { return m_reason.constData(); }

private:
    explicit PrivateMount(const QString& folder)
        : m_folder(QFile::encodeName(folder))
    {}

    // Once per process: a mount namespace of its own whose mounts do not
    // propagate back to the one it came from.
    bool enterNamespace()
    {
        static const QByteArray refusal = [] {
            if (::unshare(CLONE_NEWNS) != 0)
                return "no private mount namespace here: unshare refused (" +
                       QByteArray(std::strerror(errno)) + "; needs CAP_SYS_ADMIN)";
            if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
                return errno == EINVAL ? QByteArray("\"/\" is no mount point here (a chroot?), so "
                                                    "a mount could not be kept private")
                                       : "the mounts cannot be made private here (" +
                                             QByteArray(std::strerror(errno)) + ")";
            return QByteArray();
        }();
        if (refusal.isEmpty())
            return true;
        m_state = State::Refused;
        m_reason = refusal;
        return false;
    }

    // The outcome of one mount call; the first that succeeds made the mount.
    bool check(int result, const char* what)
    {
        if (result == 0) {
            m_mounted = true;
            m_state = State::Mounted;
            return true;
        }
        const int error = errno;
        // A missing folder is the test's fault; anything else is the machine saying no.
        m_state = error == ENOENT || error == ENOTDIR ? State::Failed : State::Refused;
        m_reason = QByteArray(what) + " of " + m_folder + " refused (" + std::strerror(error) + ")";
        if (std::exchange(m_mounted, false))
            ::umount2(m_folder.constData(), MNT_DETACH);
        return false;
    }

    QByteArray m_folder;
    State m_state = State::Failed;
    QByteArray m_reason;
    bool m_mounted = false;
};

// Skips a test the machine cannot serve, fails one whose mount is wrong.
#define ZUNO_REQUIRE_MOUNT(mount)                                                                  \
    do {                                                                                           \
        if ((mount).state() == PrivateMount::State::Refused)                                       \
            QSKIP((mount).reason());                                                               \
        if ((mount).state() == PrivateMount::State::Failed)                                        \
            QFAIL((mount).reason());                                                               \
    } while (false)
