#include "noyau/EtatGlobal.h"
#include "noyau/Parametres.h"
#include "outils/OutilsTests.h"

#include <gtest/gtest.h>

TEST(Parametres, LeFichierLivreEstLisibleEtSaCopieIdentique) {
    const QString donnees = OutilsTests::dossierSources() + QStringLiteral("/data/");
    const QByteArray livre = OutilsTests::lireFichier(donnees + QStringLiteral("Paramètres.xml"));
    EXPECT_EQ(livre, OutilsTests::lireFichier(donnees + QStringLiteral("Paramètres initial.xml")));
    QTemporaryDir d;
    etatGlobal().réinitialiser();
    etatGlobal().FichierParamètres = d.filePath(QStringLiteral("Paramètres.xml"));
    OutilsTests::ecrireFichier(etatGlobal().FichierParamètres, livre);
    for (const QString& p : {Parametres::PlusDeBulles, Parametres::OngletDeDémarrage, Parametres::Silence})
        EXPECT_EQ(Parametres::Lire(p), QStringLiteral("0")) << p.toStdString();
    const QString skin =
        donnees + QStringLiteral("Skin/") + Parametres::Lire(Parametres::ApparenceRépertoire) + u'/';
    for (const QString& f :
         {Parametres::Lire(Parametres::ApparenceFenêtre), Parametres::Lire(Parametres::ApparenceBouton),
          QStringLiteral("OverDefaut.wav"), QStringLiteral("ClickDefaut.wav"),
          QStringLiteral("ClickFuseBit.wav"), QStringLiteral("Fusage.wav")})
        EXPECT_TRUE(QFileInfo::exists(skin + f)) << (skin + f).toStdString();
}
