#include "assistant/project/Assistante.h"
#include "assistant/project/Profils.h"
#include "common/FichierAtomique.h"
#include "common/Messages.h"
#include "launcher/FenInvisible.h"
#include "makefile/ConfigurationMakefile.h"
#include "outils/DisquePlein.h"
#include "outils/EssaiConfiguration.h"
#include "outils/OutilsTests.h"
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

// Un tube bloquerait, /dev/zero ne finirait pas, un fichier démesuré prendrait toute la mémoire.
TEST(FichierAtomique, LectureRefuseTubesPeripheriquesEtFichiersDemesures) {
    QTemporaryDir d;
    const QString tube = d.filePath(QStringLiteral("tube"));
    ASSERT_EQ(mkfifo(QFile::encodeName(tube).constData(), 0600), 0);
    const QString zero = d.filePath(QStringLiteral("zero"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), zero));
    const QString gros = d.filePath(QStringLiteral("gros"));
    OutilsTests::ecrireFichier(gros, QByteArray(FichierAtomique::TailleMaxLue + 1, 'x'));
    const QString juste = d.filePath(QStringLiteral("juste"));
    OutilsTests::ecrireFichier(juste, QByteArray(FichierAtomique::TailleMaxLue, 'x'));
    for (const QString& f : {tube, zero, gros}) {
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

// --- Chaque écrivain du programme, sur de vrais fichiers : disque plein, liens, droits ---

namespace {

// Contenu de chaque entrée d'un dossier (un lien : sa cible), temporaires cachés compris, sauf
// le fichier qui remplit le disque.
std::map<QString, QByteArray> relever(const QString& dossier) {
    std::map<QString, QByteArray> r;
    for (const QFileInfo& f :
         QDir(dossier).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
        if (f.fileName() == DisquePlein::remplissage()) continue;
        r[f.fileName()] = f.isSymLink() ? "-> " + QFile::encodeName(f.symLinkTarget())
                                        : OutilsTests::lireFichier(f.filePath());
    }
    return r;
}

mode_t droits(const QString& chemin) {
    struct stat st {};
    lstat(QFile::encodeName(chemin).constData(), &st);
    return st.st_mode & 07777;
}

// Un projet dans dossier : source, makefile, leurs copies d'avant, réglages ; l'état y pointe.
void préparerProjet(const QString& dossier) {
    EtatGlobal& e = etatGlobal();
    e.RépertoireDeTravail = dossier;
    e.FichierC = dossier + QStringLiteral("/prog.c");
    e.FichierParamètres = OutilsTests::copierParametres(dossier);
    OutilsTests::ecrireFichier(e.FichierC, "int main(void) { return 0; }\n");
    OutilsTests::ecrireFichier(e.FichierC + QStringLiteral(".bak"), "// copie d'avant\n");
    OutilsTests::ecrireFichier(
        dossier + QStringLiteral("/makefile"),
        EssaiConfiguration::makefileAvec({{QStringLiteral("MCU ="), QStringLiteral("atmega328p")}}));
    OutilsTests::ecrireFichier(dossier + QStringLiteral("/makefile.bak"), "# makefile d'avant\n");
    OutilsTests::ecrireFichier(dossier + QStringLiteral("/direct.bin"), "avant");
    OutilsTests::ecrireFichier(dossier + QStringLiteral("/prog_elf.aps"), "<AVRStudio/>\n");
    e.NomDeFichier = QStringLiteral("prog");
}

struct Écrivain {
    const char* nom;
    const char* fichier; // écrit, dans le projet
    const char* copie;   // copie d'avant que l'écriture garde, ou nullptr
    bool dansProjet;     // un lien n'est suivi que dans le projet
    std::function<bool(const QString& chemin, QString& erreur)> écrire;
};

QByteArray octets(qsizetype taille) {
    return QByteArray(taille, 'o');
}

// Tous ceux qui écrivent un fichier : les fenêtres passent par ces fonctions.
const std::vector<Écrivain>& écrivains() {
    static const std::vector<Écrivain> t{
        {"Remplacer l'existant", "prog.c", "prog.c.bak", true,
         [](const QString&, QString&) {
             return Assistante::RemplacerFichierSource(
                 QStringLiteral("// squelette\r\nint main(void) {}\r\n"));
         }},
        {"vitesse série", "makefile", nullptr, true,
         [](const QString&, QString&) { return Assistante::ÉcrireVitesseSérie(QStringLiteral("57600")); }},
        {"OK de la configuration", "makefile", "makefile.bak", true,
         [](const QString&, QString&) {
             ConfigurationMakefile c;
             c.RTBMakefile.charger(etatGlobal().DossierInstallation + QStringLiteral("/Modèle/makefile.rtf"));
             return c.enregistrer();
         }},
        {"projet AVR Studio", "prog_elf.aps", nullptr, true,
         [](const QString&, QString&) {
             etatGlobal().Commande = QStringLiteral("avrstudio");
             ServicesOutils services;
             services.chercherFenêtre = [](const QString&) { return Fenetres::Recherche{}; };
             return FenInvisible(services).charger();
         }},
        {"sauvegarde d'un profil", "Paramètres.xml", nullptr, false,
         [](const QString&, QString&) {
             return Profils::sauver(etatGlobal().FichierParamètres, QStringLiteral("Essai"), Profil{});
         }},
        {"écriture de 15 Kio", "direct.bin", nullptr, false,
         [](const QString& c, QString& e) { return FichierAtomique::ecrire(c, octets(15 * 1024), &e); }},
        {"écriture de 100 Kio", "direct.bin", nullptr, false,
         [](const QString& c, QString& e) { return FichierAtomique::ecrire(c, octets(100 * 1024), &e); }},
    };
    return t;
}

class Écrivains : public ::testing::Test {
protected:
    EssaiConfiguration essai;
    EnregistreurMessages messages;

    // Écrit, et rend le message (celui de l'écrivain ou ceux montrés).
    bool écrire(const Écrivain& é, const QString& dossier, QString& message) {
        messages.messages.clear();
        message.clear();
        const bool ok = é.écrire(dossier + u'/' + QString::fromUtf8(é.fichier), message);
        message += OutilsTests::textes(messages).join(u'\n');
        return ok;
    }
};

} // namespace

// Disque plein : chaque écrivain échoue en disant « disque plein » et le nom du fichier ; le
// dossier reste octet pour octet tel qu'il était (cible, copies, aucun temporaire laissé).
TEST_F(Écrivains, UnDisquePleinNeVideNiNeTroubleAucunFichier) {
    for (const Écrivain& é : écrivains()) {
        SCOPED_TRACE(é.nom);
        DisquePlein disque;
        if (!disque.monté()) SAUTER_TEST(disque.pourquoi());
        préparerProjet(disque.dossier());
        const auto avant = relever(disque.dossier());
        ASSERT_TRUE(disque.remplir());
        QString message;
        EXPECT_FALSE(écrire(é, disque.dossier(), message));
        EXPECT_EQ(relever(disque.dossier()), avant);
        EXPECT_TRUE(message.contains(QStringLiteral("disque plein"))) << message.toStdString();
        EXPECT_TRUE(message.contains(QDir::toNativeSeparators(disque.dossier() + u'/' + é.fichier)))
            << message.toStdString();
    }
}

// Place pour la cible, pas pour sa copie : la copie ratée arrête tout, même la copie d'avant
// déplacée pour lui faire place est retirée.
TEST_F(Écrivains, UneCopieImpossibleArrêteLÉcriture) {
    for (const Écrivain& é : écrivains()) {
        if (!é.copie) continue;
        SCOPED_TRACE(é.nom);
        DisquePlein disque;
        if (!disque.monté()) SAUTER_TEST(disque.pourquoi());
        préparerProjet(disque.dossier());
        const QString cible = disque.dossier() + u'/' + é.fichier;
        OutilsTests::ecrireFichier(cible, OutilsTests::lireFichier(cible) + "\n#if 0\n" + octets(48 * 1024) +
                                              "\n#endif\n");
        const auto avant = relever(disque.dossier());
        ASSERT_TRUE(disque.remplir(24 * 1024));
        QString message;
        EXPECT_FALSE(écrire(é, disque.dossier(), message));
        EXPECT_EQ(relever(disque.dossier()), avant);
        EXPECT_TRUE(message.contains(QStringLiteral("disque plein"))) << message.toStdString();
    }
}

// Liens posés par un projet reçu d'ailleurs : rien n'est jamais écrit hors du projet. Un lien
// vers rien ou vers l'extérieur est refusé en le nommant ; un lien interne est suivi (il reste un
// lien) ; une copie dont le nom est un lien ne passe pas par lui. Droits 0600 gardés partout.
TEST_F(Écrivains, LiensHostilesEtDroits) {
    enum class Cas { LienVersRien, LienVersDehors, LienInterne, CopieEnLien, Droits };
    for (const Écrivain& é : écrivains()) {
        if (!é.dansProjet) continue;
        for (const Cas cas :
             {Cas::LienVersRien, Cas::LienVersDehors, Cas::LienInterne, Cas::CopieEnLien, Cas::Droits}) {
            if (cas == Cas::CopieEnLien && !é.copie) continue;
            SCOPED_TRACE(std::string(é.nom) + " / cas " + std::to_string(int(cas)));
            QTemporaryDir base;
            const QString projet = base.filePath(QStringLiteral("projet"));
            const QString dehors = base.filePath(QStringLiteral("ailleurs"));
            QDir().mkpath(projet);
            QDir().mkpath(dehors);
            préparerProjet(projet);
            const QString cible = projet + u'/' + é.fichier;
            const QString victime = dehors + QStringLiteral("/victime.txt");
            OutilsTests::ecrireFichier(victime, "à ne pas toucher\n");
            const QByteArray ancien = OutilsTests::lireFichier(cible);
            QString suivi = cible; // fichier qui reçoit l'écriture
            switch (cas) {
            case Cas::LienVersRien:
            case Cas::LienVersDehors:
                QFile::remove(cible);
                ASSERT_TRUE(QFile::link(
                    cas == Cas::LienVersRien ? dehors + QStringLiteral("/absent.c") : victime, cible));
                break;
            case Cas::LienInterne:
                QDir().mkpath(projet + QStringLiteral("/src"));
                suivi = projet + QStringLiteral("/src/vrai");
                QFile::rename(cible, suivi);
                ASSERT_TRUE(QFile::link(QStringLiteral("src/vrai"), cible));
                break;
            case Cas::CopieEnLien:
                QFile::remove(projet + u'/' + é.copie);
                ASSERT_TRUE(QFile::link(victime, projet + u'/' + é.copie));
                break;
            case Cas::Droits:
                QFile::setPermissions(cible, QFile::ReadOwner | QFile::WriteOwner);
                break;
            }
            const auto avant = relever(projet);
            QString message;
            const bool ok = écrire(é, projet, message);
            EXPECT_EQ(OutilsTests::lireFichier(victime), QByteArray("à ne pas toucher\n"));
            EXPECT_EQ(QDir(dehors).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                      QStringList{QStringLiteral("victime.txt")});
            if (cas == Cas::LienVersRien || cas == Cas::LienVersDehors) {
                EXPECT_FALSE(ok);
                EXPECT_EQ(relever(projet), avant);
                EXPECT_TRUE(message.contains(QStringLiteral("lien symbolique"))) << message.toStdString();
                continue;
            }
            EXPECT_TRUE(ok) << message.toStdString();
            EXPECT_NE(OutilsTests::lireFichier(suivi), ancien);
            EXPECT_TRUE(QFileInfo(cible).isSymLink() == (cas == Cas::LienInterne));
            if (!é.copie) continue;
            // Une seule copie nouvelle tient l'ancien contenu : un fichier ordinaire, aux droits de
            // l'original ; aucune copie d'avant n'est perdue.
            const auto après = relever(projet);
            const QString préfixe = QString::fromUtf8(é.copie);
            int copies = 0;
            for (const auto& [nom, contenu] : après) {
                if (!nom.startsWith(préfixe) || contenu != ancien ||
                    (avant.count(nom) && avant.at(nom) == contenu))
                    continue;
                ++copies;
                EXPECT_FALSE(QFileInfo(projet + u'/' + nom).isSymLink()) << nom.toStdString();
                if (cas == Cas::Droits) {
                    EXPECT_EQ(droits(projet + u'/' + nom), mode_t(0600)) << nom.toStdString();
                }
            }
            EXPECT_EQ(copies, 1);
            for (const auto& [nom, contenu] : avant) {
                if (nom.startsWith(préfixe) && !contenu.startsWith("-> ")) {
                    EXPECT_TRUE(std::any_of(après.begin(), après.end(), [&](const auto& a) {
                        return a.second == contenu;
                    })) << nom.toStdString();
                }
            }
            if (cas == Cas::Droits) {
                EXPECT_EQ(droits(cible), mode_t(0600));
            }
        }
    }
}
