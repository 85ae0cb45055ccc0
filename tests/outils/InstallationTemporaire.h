#pragma once
// Une installation vide dans un dossier temporaire : l'état global y pointe, réglages compris, et
// repart de zéro avant et après l'essai.
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
    InstallationTemporaire(const InstallationTemporaire&) = delete;
    InstallationTemporaire& operator=(const InstallationTemporaire&) = delete;

    QString chemin(const QString& relatif) const { return d.filePath(relatif); }

    QTemporaryDir d;
};
