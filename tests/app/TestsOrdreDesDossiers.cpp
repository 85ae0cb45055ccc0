// Les dossiers de src/ ne s'utilisent que de gauche à droite : un dossier n'inclut que ceux qui le
// précèdent dans l'ordre ci-dessous (ou lui-même). Un cycle entre dossiers s'y voit tout de suite.
#include "outils/OutilsTests.h"

#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

// Dossiers par rang croissant ; deux dossiers de même rang (séparés par « | ») ne s'incluent pas.
const QStringList Rangs{
    "common", "noyau", "ui", "fuses", "makefile", "launcher|assistant/timers", "assistant/project", "app"};

// Dossier et rang d'un chemin relatif à src/ ("makefile/fenetres/X.h" -> makefile, 4) ; -1 hors liste.
std::pair<QString, int> dossierDe(const QString& chemin) {
    for (int rang = 0; rang < Rangs.size(); ++rang)
        for (const QString& dossier : Rangs[rang].split(u'|'))
            if (chemin.startsWith(dossier + u'/')) return {dossier, rang};
    return {{}, -1};
}

} // namespace

TEST(OrdreDesDossiers, AucunDossierNIncludeUnDossierÀSaDroite) {
    const QString src = OutilsTests::dossierSources() + QStringLiteral("/src");
    static const QRegularExpression include(R"(^\s*#\s*include\s+"([^"]+)\")");
    QStringList fautes;
    int fichiers = 0;
    QDirIterator it(src, {"*.h", "*.cpp"}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString chemin = it.next();
        const QString relatif = chemin.mid(src.size() + 1);
        const auto [dossier, rang] = dossierDe(relatif);
        if (rang < 0) continue; // main.cpp, main_fenetres.cpp : au-dessus de tout
        ++fichiers;
        for (const QString& ligne : QString::fromUtf8(OutilsTests::lireFichier(chemin)).split(u'\n')) {
            const auto m = include.match(ligne);
            if (!m.hasMatch()) continue;
            const auto [cible, rangCible] = dossierDe(m.captured(1));
            if (cible != dossier && rangCible >= rang)
                fautes << relatif + QStringLiteral(" inclut ") + m.captured(1);
        }
    }
    EXPECT_GT(fichiers, 50);
    EXPECT_TRUE(fautes.isEmpty()) << fautes.join(u'\n').toStdString();
}
