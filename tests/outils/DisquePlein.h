#pragma once
// Un vrai petit disque (tmpfs) monté sur un dossier le temps d'une portée, rempli à la demande :
// les écritures y rencontrent un vrai ENOSPC. Le montage demande les droits de root ; sans eux,
// l'essai est sauté en le disant (et échoue en intégration continue, où il doit marcher).
#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

class DisquePlein {
public:
    explicit DisquePlein(qint64 taille = 256 * 1024) {
        const QByteArray options = "size=" + QByteArray::number(taille) + ",mode=0755";
        if (::mount("tmpfs", QFile::encodeName(m_dossier.path()).constData(), "tmpfs", 0,
                    options.constData()) == 0)
            m_monté = true;
        else
            m_pourquoi = QStringLiteral("montage d'un tmpfs impossible (%1) : il faut être root")
                             .arg(QString::fromLocal8Bit(std::strerror(errno)));
    }
    ~DisquePlein() {
        if (m_monté) ::umount2(QFile::encodeName(m_dossier.path()).constData(), MNT_DETACH);
    }
    DisquePlein(const DisquePlein&) = delete;
    DisquePlein& operator=(const DisquePlein&) = delete;

    bool monté() const { return m_monté; }
    std::string pourquoi() const { return m_pourquoi.toStdString(); }
    QString dossier() const { return m_dossier.path(); }
    // Nom du fichier de remplissage, à ignorer dans les relevés du dossier.
    static QString remplissage() { return QStringLiteral(".remplissage"); }

    // Remplit le disque jusqu'à ENOSPC, puis rend libre octets (arrondis à la page par tmpfs).
    bool remplir(qint64 libre = 0) const {
        const QByteArray chemin = QFile::encodeName(m_dossier.path() + u'/' + remplissage());
        const int fd = ::open(chemin.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (fd < 0) return false;
        const QByteArray bloc(4096, 'r');
        qint64 écrit = 0;
        for (;;) {
            const ssize_t n = ::write(fd, bloc.constData(), size_t(bloc.size()));
            if (n <= 0) break;
            écrit += n;
        }
        const bool plein = errno == ENOSPC && ::ftruncate(fd, écrit - libre) == 0;
        ::close(fd);
        return plein;
    }

private:
    QTemporaryDir m_dossier;
    bool m_monté = false;
    QString m_pourquoi;
};
