#pragma once
// Installation vide et temporaire où pointe l'état global, remis à zéro avant et après l'essai.
#include "noyau/EtatGlobal.h"

#include <QString>
#include <QTemporaryDir>

class InstallationTemporaire {
public:
    InstallationTemporaire() {
        etatGlobal().réinitialiser();
        etatGlobal().DossierInstallation = d.path();
        etatGlobal().FichierParamètres = d.filePath(QStringLiteral("Paramètres.xml"));
    }
    ~InstallationTemporaire() { etatGlobal().réinitialiser(); }

    QString chemin(const QString& relatif) const { return d.filePath(relatif); }

    QTemporaryDir d;
};
