#include "assistant/project/Assistante.h"
#include "assistant/project/Profils.h"
#include "common/FichierAtomique.h"
#include "common/Messages.h"
#include "launcher/FenInvisible.h"
#include "makefile/ConfigurationMakefile.h"
#include "outils/DisquePlein.h"
#include "outils/EssaiConfiguration.h"
#include "outils/OutilsTests.h"
#include "outils/Releve.h"

#include <QDir>
#include <QFile>
#include <functional>
#include <gtest/gtest.h>
#include <map>

// Un échec dit sa raison en français (un dossier fermé : même endroit) ; un fichier démesuré, qui
// prendrait toute la mémoire, n'est pas lu (un tube, qui bloquerait : vu par DocumentRiche).
TEST(FichierAtomique, EchecsEnFrancaisEtFichiersDemesures) {
    QTemporaryDir d;
    QString e;
    EXPECT_FALSE(FichierAtomique::ecrire(d.filePath("absent/b.txt"), "z", &e));
    EXPECT_TRUE(e.contains("le dossier n'existe pas") && !e.contains("No such")) << e.toStdString();
    const QString gros = d.filePath("gros"), juste = d.filePath("juste");
    OutilsTests::ecrireFichier(gros, QByteArray(FichierAtomique::TailleMaxLue + 1, 'x'));
    OutilsTests::ecrireFichier(juste, QByteArray(FichierAtomique::TailleMaxLue, 'x'));
    QByteArray lu = "avant";
    EXPECT_FALSE(FichierAtomique::lire(gros, lu, &e));
    EXPECT_TRUE(e.contains(QDir::toNativeSeparators(gros))) << e.toStdString();
    EXPECT_EQ(lu, QByteArray("avant"));
    EXPECT_TRUE(FichierAtomique::lire(juste, lu));
    EXPECT_EQ(lu.size(), FichierAtomique::TailleMaxLue);
}

namespace {

// Un projet : source, makefile, leurs copies d'avant, projet AVR Studio, réglages ; l'état y pointe.
void préparerProjet(const QString& dossier) {
    EtatGlobal& e = etatGlobal();
    e.RépertoireDeTravail = dossier;
    e.NomDeFichier = QStringLiteral("prog");
    e.FichierC = dossier + QStringLiteral("/prog.c");
    e.FichierParamètres = OutilsTests::copierParametres(dossier);
    for (const auto& [nom, contenu] : std::map<QString, QByteArray>{
             {"prog.c", "int main(void) { return 0; }\n"},
             {"prog.c.bak", "// copie d'avant\n"},
             {"makefile",
              EssaiConfiguration::makefileAvec({{QStringLiteral("MCU ="), QStringLiteral("atmega328p")}})},
             {"makefile.bak", "# makefile d'avant\n"},
             {"prog_elf.aps", "<AVRStudio/>\n"},
             {"direct.bin", "avant"}})
        OutilsTests::ecrireFichier(dossier + u'/' + nom, contenu);
}

struct Écrivain {
    const char* nom;
    const char* fichier; // écrit, dans le projet
    const char* copie;   // copie d'avant que l'écriture garde, ou nullptr
    bool dansProjet;     // un lien n'y est suivi que dans le projet
    std::function<bool()> écrire;
};

// Tous ceux qui écrivent un fichier ; tous moins de 15 Kio (qu'on laissait vides), sauf le dernier.
const std::vector<Écrivain> Écrivains{
    {"Remplacer l'existant", "prog.c", "prog.c.bak", true,
     [] { return Assistante::RemplacerFichierSource(QStringLiteral("// squelette\r\n")); }},
    {"vitesse série", "makefile", nullptr, true,
     [] { return Assistante::ÉcrireVitesseSérie(QStringLiteral("57600")); }},
    {"OK de la configuration", "makefile", "makefile.bak", true,
     [] {
         ConfigurationMakefile c;
         c.RTBMakefile.charger(etatGlobal().DossierInstallation + QStringLiteral("/Modèle/makefile.rtf"));
         return c.enregistrer();
     }},
    {"projet AVR Studio", "prog_elf.aps", nullptr, true,
     [] {
         etatGlobal().Commande = QStringLiteral("avrstudio");
         ServicesOutils services;
         services.chercherFenêtre = [](const QString&) { return Fenetres::Recherche{}; };
         return FenInvisible(services).charger();
     }},
    {"sauvegarde d'un profil", "Paramètres.xml", nullptr, false,
     [] { return Profils::sauver(etatGlobal().FichierParamètres, QStringLiteral("Essai"), Profil{}); }},
    {"écriture de 100 Kio", "direct.bin", nullptr, false,
     [] {
         QString e;
         const QString chemin = etatGlobal().RépertoireDeTravail + QStringLiteral("/direct.bin");
         if (!FichierAtomique::ecrire(chemin, QByteArray(100 * 1024, 'o'), &e)) messageCritique(e);
         return e.isEmpty();
     }},
};

// Les quatre premiers doivent échouer sans rien toucher.
enum class Cas { Plein, CopieSansPlace, LienVersRien, LienDehors, LienInterne, CopieEnLien, Droits };

} // namespace

// Disque plein (cible ou copie) et liens vers rien ou dehors : échec dit, projet inchangé, rien
// écrit dehors. Sinon une seule nouvelle copie, aux droits de l'original, et aucune perdue.
TEST(Écrivains, DisquePleinLiensEtDroits) {
    EssaiConfiguration essai;
    EnregistreurMessages messages;
    std::string sauté; // sans montage, seuls les cas du disque sont sautés
    for (const Écrivain& é : Écrivains) {
        for (int i = 0; i <= int(Cas::Droits); ++i) {
            const Cas cas = Cas(i);
            const bool disque = cas <= Cas::CopieSansPlace;
            if ((cas == Cas::CopieSansPlace || cas == Cas::CopieEnLien) && !é.copie) continue;
            if (!disque && !é.dansProjet) continue;
            SCOPED_TRACE(std::string(é.nom) + ", cas " + std::to_string(i));
            DisquePlein d(disque);
            if (disque && !d.monté()) {
                sauté = d.pourquoi();
                continue;
            }
            const QString projet = d.dossier() + "/projet", dehors = d.dossier() + "/ailleurs";
            préparerProjet(projet);
            OutilsTests::ecrireFichier(dehors + "/victime", "victime");
            const QString cible = projet + u'/' + é.fichier;
            QString suivi = cible; // fichier qui reçoit l'écriture
            const QByteArray ancien = OutilsTests::lireFichier(cible);
            if (cas == Cas::CopieSansPlace)
                OutilsTests::ecrireFichier(cible,
                                           ancien + "\n#if 0\n" + QByteArray(48 * 1024, 'o') + "\n#endif\n");
            // Un lien à la place de la cible ou de sa copie ; l'interne, relatif, mène à la cible déplacée.
            const auto lier = [](const QString& lien, const QString& vers) {
                QFile::remove(lien);
                QFile::link(vers, lien);
            };
            if (cas == Cas::LienVersRien) lier(cible, dehors + "/absent");
            if (cas == Cas::LienDehors) lier(cible, dehors + "/victime");
            if (cas == Cas::LienInterne && QFile::rename(cible, suivi = projet + "/vrai"))
                QFile::link("vrai", cible);
            if (cas == Cas::CopieEnLien) lier(projet + u'/' + é.copie, dehors + "/victime");
            if (cas == Cas::Droits) QFile::setPermissions(cible, QFile::ReadOwner | QFile::WriteOwner);
            const auto avant = OutilsTests::relever(projet);
            const auto mode = QFile::permissions(suivi);
            ASSERT_TRUE(!disque || d.remplir(cas == Cas::Plein ? 0 : 24 * 1024));
            messages.messages.clear();
            const bool ok = é.écrire();
            const QString message = OutilsTests::textes(messages).join(u'\n');
            EXPECT_EQ(OutilsTests::relever(dehors), (std::map<QString, QByteArray>{{"victime", "victime"}}));
            if (cas <= Cas::LienDehors) {
                EXPECT_FALSE(ok);
                EXPECT_EQ(OutilsTests::differences(avant, OutilsTests::relever(projet)), QStringList());
                const char* raison = disque ? "disque plein" : "lien symbolique";
                EXPECT_TRUE(message.contains(QDir::toNativeSeparators(cible)) && message.contains(raison))
                    << message.toStdString();
                continue;
            }
            EXPECT_TRUE(ok) << message.toStdString();
            EXPECT_NE(OutilsTests::lireFichier(suivi), ancien);
            EXPECT_EQ(QFileInfo(cible).isSymLink(), cas == Cas::LienInterne);
            EXPECT_EQ(QFile::permissions(suivi), mode);
            if (!é.copie) continue;
            const auto après = OutilsTests::relever(projet);
            QStringList copies; // nouvelles, à l'ancien contenu
            for (const auto& [nom, contenu] : après)
                if (nom.startsWith(é.copie) && contenu == ancien &&
                    (!avant.count(nom) || avant.at(nom) != ancien))
                    copies << nom;
            ASSERT_EQ(copies.size(), 1) << copies.join(' ').toStdString();
            EXPECT_EQ(QFile::permissions(projet + u'/' + copies[0]), mode);
            for (const auto& [nom, contenu] : avant)
                EXPECT_TRUE(!nom.startsWith(é.copie) || contenu.startsWith("-> ") ||
                            std::ranges::any_of(après, [&](const auto& a) { return a.second == contenu; }))
                    << nom.toStdString();
        }
    }
    if (!sauté.empty()) SAUTER_TEST("cas du disque plein sautés : " + sauté);
}
