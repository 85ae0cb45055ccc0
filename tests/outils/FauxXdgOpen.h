#pragma once
// Un faux xdg-open placé en tête de PATH : il note son argument et sort avec le code demandé.
#include "outils/OutilsTests.h"

#include <QFile>
#include <QTemporaryDir>

class FauxXdgOpen final {
public:
    FauxXdgOpen() : m_ancienPath(qgetenv("PATH")) {
        const QString script = m_dossier.filePath(QStringLiteral("xdg-open"));
        OutilsTests::ecrireFichier(script, "#!/bin/sh\n"
                                           "printf '%s' \"$1\" > \"$(dirname \"$0\")/argument\"\n"
                                           "exit $(cat \"$(dirname \"$0\")/statut\")\n");
        QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        statut(0);
        qputenv("PATH", QFile::encodeName(m_dossier.path()) + ':' + m_ancienPath);
    }
    ~FauxXdgOpen() { qputenv("PATH", m_ancienPath); }
    FauxXdgOpen(const FauxXdgOpen&) = delete;
    FauxXdgOpen& operator=(const FauxXdgOpen&) = delete;

    // Code de sortie des appels suivants ; oublie l'argument reçu.
    void statut(int s) {
        OutilsTests::ecrireFichier(m_dossier.filePath(QStringLiteral("statut")), QByteArray::number(s));
        QFile::remove(m_dossier.filePath(QStringLiteral("argument")));
    }
    // Argument reçu au dernier appel (vide s'il n'a pas été appelé).
    QString argument() const {
        return QString::fromUtf8(OutilsTests::lireFichier(m_dossier.filePath(QStringLiteral("argument"))));
    }
    bool appelé() const { return QFile::exists(m_dossier.filePath(QStringLiteral("argument"))); }

private:
    QTemporaryDir m_dossier;
    QByteArray m_ancienPath;
};
