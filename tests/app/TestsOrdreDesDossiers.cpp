// Les dossiers de src/ ne s'utilisent que de gauche à droite : un dossier n'inclut que ceux qui le
// précèdent dans l'ordre ci-dessous (ou lui-même). Un cycle entre dossiers s'y voit tout de suite.
#include "outils/OutilsTests.h"

#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

// Rang de chaque dossier ; deux dossiers de même rang ne s'incluent pas l'un l'autre.
const std::map<QString, int> Rangs{
    {"common", 0},
    {"noyau", 1},
    {"ui", 2},
    {"fuses", 3},
    {"makefile", 4},
    {"launcher", 5},
    {"assistant/timers", 5},
    {"assistant/project", 6},
    {"app", 7},
};

// Dossier d'un chemin relatif à src/ ("makefile/fenetres/X.h" -> "makefile") ; vide hors liste.
QString dossierDe(const QString& chemin) {
    for (const auto& [dossier, rang] : Rangs)
        if (chemin.startsWith(dossier + u'/')) return dossier;
    return {};
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
        const QString dossier = dossierDe(relatif);
        if (dossier.isEmpty()) continue; // main.cpp, main_fenetres.cpp : au-dessus de tout
        ++fichiers;
        for (const QString& ligne : QString::fromUtf8(OutilsTests::lireFichier(chemin)).split(u'\n')) {
            const auto m = include.match(ligne);
            if (!m.hasMatch()) continue;
            const QString cible = dossierDe(m.captured(1));
            if (cible.isEmpty() || cible == dossier) continue;
            if (Rangs.at(cible) >= Rangs.at(dossier))
                fautes << relatif + QStringLiteral(" inclut ") + m.captured(1);
        }
    }
    EXPECT_GT(fichiers, 50);
    EXPECT_TRUE(fautes.isEmpty()) << fautes.join(u'\n').toStdString();
}
