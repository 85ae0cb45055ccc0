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
#include "outils/SansPrivileges.h"

#include <QDir>
#include <QFile>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <sys/stat.h>

// Le remplacement sans temporaire laissé est vu de bout en bout (makefile réécrit puis make clean).

// Chaque échec donne sa raison en français, jamais le texte anglais du système.
TEST(FichierAtomique, EchecsDEcritureEtRaisonsEnFrancais) {
    QTemporaryDir d;
    QFile::setPermissions(d.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                        QFile::ReadOther | QFile::ExeOther);
    auto vérifier = [](bool ok, const QString& erreur, const QString& raison) {
        EXPECT_FALSE(ok);
        EXPECT_TRUE(erreur.contains(raison)) << erreur.toStdString();
        for (const char* anglais : {"No such", "ermission denied", "directory", "Is a"})
            EXPECT_FALSE(erreur.contains(QLatin1String(anglais))) << erreur.toStdString();
    };
    QString e;
    vérifier(FichierAtomique::ecrire(d.filePath(QStringLiteral("absent/b.txt")), "z", &e), e,
             QStringLiteral("le dossier n'existe pas"));
    // Les lectures refusées (un dossier, un fichier fermé) : vues au lancement, avec leur raison.
    {
        SansPrivileges p;
        vérifier(FichierAtomique::ecrire(d.filePath(QStringLiteral("c.txt")), "z", &e), e,
                 QStringLiteral("permission refusée"));
    }
}

// Un tube bloquerait, un fichier démesuré prendrait toute la mémoire (un périphérique : même refus
// que le tube).
TEST(FichierAtomique, LectureRefuseTubesPeripheriquesEtFichiersDemesures) {
    QTemporaryDir d;
    const QString tube = d.filePath(QStringLiteral("tube"));
    ASSERT_EQ(mkfifo(QFile::encodeName(tube).constData(), 0600), 0);
    const QString gros = d.filePath(QStringLiteral("gros"));
    OutilsTests::ecrireFichier(gros, QByteArray(FichierAtomique::TailleMaxLue + 1, 'x'));
    const QString juste = d.filePath(QStringLiteral("juste"));
    OutilsTests::ecrireFichier(juste, QByteArray(FichierAtomique::TailleMaxLue, 'x'));
    for (const QString& f : {tube, gros}) {
        QByteArray lu = "avant";
        QString e;
        EXPECT_FALSE(FichierAtomique::lire(f, lu, &e)) << f.toStdString();
        EXPECT_TRUE(e.contains(QDir::toNativeSeparators(f))) << e.toStdString();
        EXPECT_EQ(lu, QByteArray("avant"));
    }
    QByteArray lu;
    EXPECT_TRUE(FichierAtomique::lire(juste, lu));
    EXPECT_EQ(lu.size(), FichierAtomique::TailleMaxLue);
}

// --- Chaque écrivain du programme sur de vrais fichiers : disque plein, liens, droits ---

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

// Tous ceux qui écrivent un fichier : les fenêtres passent par ces fonctions. Leurs fichiers font
// moins de 15 Kio (l'écriture qui laissait un fichier vide) ; la dernière, plus.
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
enum class Cas {
    DisquePlein,
    PasDePlacePourLaCopie,
    LienVersRien,
    LienVersDehors,
    LienInterne,
    CopieEnLien,
    Droits
};

} // namespace

// Disque plein, ou place pour la cible mais pas pour sa copie : échec qui dit « disque plein » et
// nomme le fichier, dossier octet pour octet inchangé (copies d'avant, aucun temporaire laissé).
// Liens d'un projet reçu d'ailleurs : rien n'est écrit hors du projet, un lien vers rien ou vers
// dehors est refusé, un lien interne est suivi et reste un lien, une copie ne passe jamais par un
// lien. Une seule nouvelle copie tient l'ancien contenu, aux droits de l'original (0600 gardé),
// et aucune copie d'avant n'est perdue.
TEST(Écrivains, DisquePleinLiensEtDroits) {
    EssaiConfiguration essai;
    EnregistreurMessages messages;
    std::string sauté; // sans montage, seuls les cas du disque sont sautés
    for (const Écrivain& é : Écrivains) {
        for (int i = 0; i <= int(Cas::Droits); ++i) {
            const Cas cas = Cas(i);
            const bool disque = cas <= Cas::PasDePlacePourLaCopie;
            if ((cas == Cas::PasDePlacePourLaCopie || cas == Cas::CopieEnLien) && !é.copie) continue;
            if (!disque && !é.dansProjet) continue;
            SCOPED_TRACE(std::string(é.nom) + ", cas " + std::to_string(i));
            DisquePlein d(disque);
            if (disque && !d.monté()) {
                sauté = d.pourquoi();
                continue;
            }
            const QString projet = d.dossier() + QStringLiteral("/projet"),
                          dehors = d.dossier() + QStringLiteral("/ailleurs");
            préparerProjet(projet);
            OutilsTests::ecrireFichier(dehors + QStringLiteral("/victime"), "victime");
            const QString cible = projet + u'/' + é.fichier,
                          copie = projet + u'/' + QString::fromUtf8(é.copie);
            QString suivi = cible; // fichier qui reçoit l'écriture
            const QByteArray ancien = OutilsTests::lireFichier(cible);
            if (cas == Cas::PasDePlacePourLaCopie)
                OutilsTests::ecrireFichier(cible,
                                           ancien + "\n#if 0\n" + QByteArray(48 * 1024, 'o') + "\n#endif\n");
            // Un lien à la place de la cible ou de sa copie ; l'interne, relatif, mène à la cible déplacée.
            const auto lier = [](const QString& lien, const QString& vers) {
                QFile::remove(lien);
                QFile::link(vers, lien);
            };
            if (cas == Cas::LienVersRien) lier(cible, dehors + QStringLiteral("/absent"));
            if (cas == Cas::LienVersDehors) lier(cible, dehors + QStringLiteral("/victime"));
            if (cas == Cas::LienInterne && QFile::rename(cible, suivi = projet + QStringLiteral("/vrai")))
                QFile::link(QStringLiteral("vrai"), cible);
            if (cas == Cas::CopieEnLien) lier(copie, dehors + QStringLiteral("/victime"));
            if (cas == Cas::Droits) QFile::setPermissions(cible, QFile::ReadOwner | QFile::WriteOwner);
            const auto avant = OutilsTests::relever(projet);
            const auto mode = QFile::permissions(suivi);
            ASSERT_TRUE(!disque || d.remplir(cas == Cas::DisquePlein ? 0 : 24 * 1024));
            messages.messages.clear();
            const bool ok = é.écrire();
            const QString message = OutilsTests::textes(messages).join(u'\n');
            EXPECT_EQ(OutilsTests::relever(dehors), (std::map<QString, QByteArray>{{"victime", "victime"}}));
            if (cas <= Cas::LienVersDehors) {
                EXPECT_FALSE(ok);
                EXPECT_EQ(OutilsTests::differences(avant, OutilsTests::relever(projet)), QStringList());
                EXPECT_TRUE(message.contains(QDir::toNativeSeparators(cible))) << message.toStdString();
                EXPECT_TRUE(message.contains(disque ? QStringLiteral("disque plein")
                                                    : QStringLiteral("lien symbolique")))
                    << message.toStdString();
                continue;
            }
            EXPECT_TRUE(ok) << message.toStdString();
            EXPECT_NE(OutilsTests::lireFichier(suivi), ancien);
            EXPECT_EQ(QFileInfo(cible).isSymLink(), cas == Cas::LienInterne);
            EXPECT_EQ(QFile::permissions(suivi), mode);
            if (!é.copie) continue;
            const auto après = OutilsTests::relever(projet);
            const QString préfixe = QString::fromUtf8(é.copie);
            int copies = 0;
            for (const auto& [nom, contenu] : après) {
                if (!nom.startsWith(préfixe) || contenu != ancien ||
                    (avant.count(nom) && avant.at(nom) == contenu))
                    continue;
                ++copies;
                EXPECT_EQ(QFile::permissions(projet + u'/' + nom), mode) << nom.toStdString();
            }
            EXPECT_EQ(copies, 1);
            for (const auto& [nom, contenu] : avant) {
                const bool gardée = std::any_of(après.begin(), après.end(),
                                                [&](const auto& a) { return a.second == contenu; });
                EXPECT_TRUE(gardée || !nom.startsWith(préfixe) || contenu.startsWith("-> "))
                    << nom.toStdString();
            }
        }
    }
    if (!sauté.empty()) SAUTER_TEST("cas du disque plein sautés : " + sauté);
}
