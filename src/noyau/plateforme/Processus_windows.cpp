#include "noyau/plateforme/Processus.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <cstdlib>

// Windows : le lanceur de Qt ; la suite de commandes attend chaque commande sauf la dernière.
namespace Processus {

QString trouverProgramme(const QString& programme) {
    if (programme.isEmpty()) return {};
    if (programme.contains(u'/') || programme.contains(u'\\')) {
        const QFileInfo f(programme);
        return f.isFile() ? f.absoluteFilePath() : QString();
    }
    return QStandardPaths::findExecutable(programme);
}

bool demarrerEnSuite(const std::vector<Commande>& commandes, const QString& dossier, QString* erreur) {
    for (size_t i = 0; i < commandes.size(); ++i) {
        const QString chemin = trouverProgramme(commandes[i].programme);
        if (chemin.isEmpty()) {
            if (erreur)
                *erreur =
                    QStringLiteral("Le programme « %1 » est introuvable. Vérifiez qu'il est installé et "
                                   "accessible par le chemin de recherche (PATH).")
                        .arg(commandes[i].programme);
            return false;
        }
        if (i + 1 < commandes.size()) {
            QProcess p;
            p.setWorkingDirectory(dossier);
            p.start(chemin, commandes[i].arguments);
            p.waitForFinished(-1);
        } else if (!QProcess::startDetached(chemin, commandes[i].arguments, dossier)) {
            if (erreur)
                *erreur = QStringLiteral("Impossible de démarrer « %1 » dans le dossier « %2 ».")
                              .arg(commandes[i].programme, QDir::toNativeSeparators(dossier));
            return false;
        }
    }
    return true;
}

std::optional<int> executerAuPremierPlan(const std::vector<Commande>& commandes, const QString& dossier,
                                         QString* erreur) {
    QStringList chemins;
    for (const Commande& c : commandes) {
        chemins << trouverProgramme(c.programme);
        if (chemins.back().isEmpty()) {
            if (erreur)
                *erreur =
                    QStringLiteral("Le programme « %1 » est introuvable. Vérifiez qu'il est installé et "
                                   "accessible par le chemin de recherche (PATH).")
                        .arg(c.programme);
            return std::nullopt;
        }
    }
    // Ici, pas de signaux POSIX : la console arrête elle-même les programmes qui lui sont attachés.
    int code = 0;
    for (size_t i = 0; i < commandes.size() && code == 0; ++i) {
        QProcess p;
        p.setProcessChannelMode(QProcess::ForwardedChannels);
        p.setInputChannelMode(QProcess::ForwardedInputChannel);
        p.setWorkingDirectory(dossier);
        p.start(chemins[qsizetype(i)], commandes[i].arguments);
        if (!p.waitForStarted(-1)) {
            if (erreur)
                *erreur = QStringLiteral("Impossible de démarrer « %1 » dans le dossier « %2 ».")
                              .arg(commandes[i].programme, QDir::toNativeSeparators(dossier));
            return std::nullopt;
        }
        p.waitForFinished(-1);
        code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : 1;
    }
    return code;
}

QString remplacerPar(const QString& chemin, const QStringList& arguments) {
    // Pas de remplacement de processus ici : le programme attendu tourne, son code devient le nôtre.
    const int code = QProcess::execute(chemin, arguments.mid(1));
    if (code >= 0) std::exit(code);
    return QStringLiteral("Impossible de démarrer « %1 ».").arg(QDir::toNativeSeparators(chemin));
}

bool demarrerDetache(const Commande& commande, const QString& dossier, QString* erreur) {
    return demarrerEnSuite({commande}, dossier, erreur);
}

} // namespace Processus
