#include "ui/fenetres/Dialogues.h"

#include <QDir>
#include <QFileDialog>
#include <QStringList>

namespace Dialogues {

namespace {
std::function<QString(const Demande&)>& répondeur() {
    static std::function<QString(const Demande&)> r;
    return r;
}
} // namespace

void installerRépondeur(std::function<QString(const Demande&)> r) {
    répondeur() = std::move(r);
}

QString filtreQt(const QString& filtre) {
    QStringList morceaux = filtre.split(u'|');
    while (!morceaux.isEmpty() && morceaux.back().isEmpty())
        morceaux.removeLast();
    QStringList filtres;
    for (qsizetype i = 0; i < morceaux.size(); i += 2) {
        const QString description = morceaux[i];
        // Une description sans motif sert de motif (« *.* » seul).
        const QString motif = i + 1 < morceaux.size() ? morceaux[i + 1] : description;
        QStringList motifs;
        for (const QString& m : motif.split(u';', Qt::SkipEmptyParts)) {
            // « *.* » veut dire tous les fichiers, même sans extension (« makefile »).
            const QString t = m.trimmed();
            motifs << (t == u"*.*" ? QStringLiteral("*") : t);
        }
        if (motifs.isEmpty()) motifs << QStringLiteral("*");
        const bool tout = motifs == QStringList{QStringLiteral("*")};
        const QString nom = description == motif && tout ? QStringLiteral("Tous les fichiers") : description;
        filtres << nom + QStringLiteral(" (") + motifs.join(u' ') + u')';
    }
    if (filtres.isEmpty()) filtres << QStringLiteral("Tous les fichiers (*)");
    return filtres.join(QStringLiteral(";;"));
}

} // namespace Dialogues

QString ChoisirFichier(QWidget* propriétaire, const QString& filtre, const QString& titre,
                       const QString& dossierInitial) {
    if (Dialogues::répondeur())
        return Dialogues::répondeur()({Dialogues::Demande::Genre::Fichier, titre, filtre, dossierInitial});
    QFileDialog boîte(propriétaire, titre, dossierInitial, Dialogues::filtreQt(filtre));
    boîte.setObjectName(QStringLiteral("ChoisirFichier"));
    boîte.setFileMode(QFileDialog::ExistingFile);
    boîte.setAcceptMode(QFileDialog::AcceptOpen);
    if (boîte.exec() != QDialog::Accepted || boîte.selectedFiles().isEmpty()) return {};
    return QDir::toNativeSeparators(boîte.selectedFiles().constFirst());
}

QString ChoisirDossier(QWidget* propriétaire, const QString& texte1, const QString& texte2) {
    const QString consigne = texte1 + texte2;
    if (Dialogues::répondeur())
        return Dialogues::répondeur()({Dialogues::Demande::Genre::Dossier, consigne, QString(), QString()});
    QFileDialog boîte(propriétaire, consigne, QDir::currentPath());
    boîte.setObjectName(QStringLiteral("ChoisirDossier"));
    boîte.setFileMode(QFileDialog::Directory);
    boîte.setOption(QFileDialog::ShowDirsOnly, true);
    boîte.setLabelText(QFileDialog::Accept, QStringLiteral("Choisir"));
    if (boîte.exec() != QDialog::Accepted || boîte.selectedFiles().isEmpty()) return {};
    return QDir::toNativeSeparators(boîte.selectedFiles().constFirst());
}
