#include "noyau/plateforme/OuvertureShell.h"

#include "common/Texte.h"
#include "noyau/OuvrirDocument.h"
#include "noyau/plateforme/Processus.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <memory>

namespace OuvertureShell {

namespace {

// Au-delà, xdg-open est en train de faire tourner le programme lui-même (mode générique) :
// l'ouverture a réussi et l'on n'attend plus.
constexpr int AttenteMaxMs = 3000;

bool estAdresse(const QString& cible) {
    static const QRegularExpression schéma(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
    return schéma.match(cible).hasMatch();
}

} // namespace

int ouvrir(const QString& fichier, const QString& paramètres, const QString& dossier, const QString& verbe,
           int affichage, quintptr propriétaire) {
    Q_UNUSED(verbe);
    Q_UNUSED(affichage);
    Q_UNUSED(propriétaire);
    if (fichier.isEmpty()) return Ouverture::FichierNonTrouvé;

    // Un programme avec des paramètres : il démarre directement, sans association.
    if (!paramètres.isEmpty()) {
        Processus::Commande c{fichier, Texte::decouperCommeUnShell(paramètres)};
        return Processus::demarrerDetache(c, dossier.isEmpty() ? QDir::currentPath() : dossier)
                   ? Ouverture::Réussite
                   : Ouverture::FichierNonTrouvé;
    }

    QString cible = fichier;
    if (!estAdresse(cible)) {
        // Un chemin : absent, on le dit comme le shell le dirait, sans déranger xdg-open.
        const QFileInfo f(QDir(dossier.isEmpty() ? QDir::currentPath() : dossier), fichier);
        if (!f.exists()) return f.dir().exists() ? Ouverture::FichierNonTrouvé : Ouverture::DossierNonTrouvé;
        cible = f.absoluteFilePath();
    }

    const QString xdgOpen = Processus::trouverProgramme(QStringLiteral("xdg-open"));
    if (xdgOpen.isEmpty()) return Ouverture::résultatDeXdgOpen(-1);

    auto p = std::make_unique<QProcess>();
    p->setProgram(xdgOpen);
    p->setArguments({cible});
    if (!dossier.isEmpty()) p->setWorkingDirectory(dossier);
    // Le programme ouvert peut survivre à xdg-open : il ne doit rien tenir de nos tubes.
    p->setStandardInputFile(QProcess::nullDevice());
    p->setStandardOutputFile(QProcess::nullDevice());
    p->setStandardErrorFile(QProcess::nullDevice());
    p->start();
    if (!p->waitForStarted(5000)) return Ouverture::résultatDeXdgOpen(-1);

    // La fenêtre continue de se dessiner pendant l'attente, sans prendre de clic.
    const QDeadlineTimer fin(AttenteMaxMs);
    while (!p->waitForFinished(20)) {
        if (p->state() == QProcess::NotRunning) break;
        if (fin.hasExpired()) {
            QProcess* reste = p.release();
            QObject::connect(reste, &QProcess::finished, reste, &QObject::deleteLater);
            return Ouverture::Réussite;
        }
        if (QCoreApplication::instance()) QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    if (p->exitStatus() != QProcess::NormalExit) return Ouverture::EchecQuelconque;
    return Ouverture::résultatDeXdgOpen(p->exitCode());
}

} // namespace OuvertureShell
