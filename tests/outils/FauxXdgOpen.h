#pragma once
// Un faux xdg-open placé en tête de PATH : il note son argument et sort avec le code demandé.
#include "outils/OutilsTests.h"

#include <QFile>

class FauxXdgOpen final {
public:
    FauxXdgOpen() : m_path("PATH", QFile::encodeName(m_dossier.path()) + ':' + qgetenv("PATH")) {
        OutilsTests::ecrireScript(m_dossier.filePath(QStringLiteral("xdg-open")),
                                  "printf '%s' \"$1\" > \"$(dirname \"$0\")/argument\"\n"
                                  "exit $(cat \"$(dirname \"$0\")/statut\")");
        statut(0);
    }

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
    OutilsTests::VariableEnvironnement m_path;
};
