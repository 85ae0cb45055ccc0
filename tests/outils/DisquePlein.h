#pragma once
// Un dossier temporaire ; monté (root), un tmpfs de 256 Kio où remplir donne un vrai ENOSPC.
#include <QFile>
#include <QTemporaryDir>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/mount.h>
#include <unistd.h>

class DisquePlein {
public:
    explicit DisquePlein(bool monter) {
        m_monté = monter && ::mount("tmpfs", chemin().constData(), "tmpfs", 0, "size=256k") == 0;
        if (monter && !m_monté)
            m_pourquoi = "montage d'un tmpfs impossible (root ?) : " + std::string(std::strerror(errno));
    }
    ~DisquePlein() {
        if (m_monté) ::umount2(chemin().constData(), MNT_DETACH);
    }
    bool monté() const { return m_monté; }
    const std::string& pourquoi() const { return m_pourquoi; }
    QString dossier() const { return m_dossier.path(); }

    // Remplit jusqu'à ENOSPC, puis rend libre octets (tmpfs compte par pages de 4 Kio).
    bool remplir(qint64 libre) const {
        const int fd = ::open((chemin() + "/.remplissage").constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
        const QByteArray bloc(4096, 'r');
        qint64 écrit = 0;
        for (ssize_t n; fd >= 0 && (n = ::write(fd, bloc.constData(), 4096)) > 0;)
            écrit += n;
        const bool plein = fd >= 0 && errno == ENOSPC && ::ftruncate(fd, écrit - libre) == 0;
        if (fd >= 0) ::close(fd);
        return plein;
    }

private:
    QByteArray chemin() const { return QFile::encodeName(m_dossier.path()); }
    QTemporaryDir m_dossier;
    bool m_monté = false;
    std::string m_pourquoi;
};
