// L'enchaînement des fusibles sans fenêtre : composant à un octet, avrdude absent, ancien ou incohérent.
#include "common/Messages.h"
#include "fuses/DescriptionAVR.h"
#include "fuses/FusiblesAvrdude.h"
#include "makefile/ParametreMakefile.h"
#include "noyau/EtatGlobal.h"
#include "outils/OutilsTests.h"
#include "outils/ReglagesFusibles.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTimer>
#include <gtest/gtest.h>
#include <optional>

namespace {

// La fenêtre réduite à ce que l'enchaînement lui demande.
class VueNotée final : public VueFusibles {
public:
    void élargirConsole() override { journal << QStringLiteral("élargie"); }
    void bip() override { journal << QStringLiteral("bip"); }
    void montrerÉtape(const QString&) override {}
    void actualiser() override {}

    QStringList journal;
};

struct BancFusibles : ::testing::Test {
    EnregistreurMessages messages;
    VueNotée vue;

    void SetUp() override {
        etatGlobal().réinitialiser();
        etatGlobal().DossierInstallation = OutilsTests::dossierConstruction();
        valeursMakefile().réinitialiser();
        Avrdude::oublierVersion();
        Avrdude::oublierParties();
    }
    void TearDown() override {
        etatGlobal().réinitialiser();
        valeursMakefile().réinitialiser();
        descriptionAVR().réinitialiser();
        Avrdude::oublierVersion();
    }

    // Une carte simulée prête, son composant réglé, la logique chargée.
    void carte(const QString& mcu, const QString& partie, const QStringList& options = {}) {
        p.emplace(options);
        ASSERT_TRUE(p->pret());
        ASSERT_TRUE(ChargerDescriptionAVR(mcu).réussi());
        réglerFusibles(*p, mcu, partie, QStringLiteral("stk500v1"));
        f.charger();
    }

    // Un faux avrdude : un script shell.
    QString faux(const QByteArray& script) {
        return OutilsTests::ecrireScript(dossier.filePath(QStringLiteral("avrdude")), script);
    }

    QStringList titres() const { return OutilsTests::titres(messages); }

    QTemporaryDir dossier;
    std::optional<ProgrammateurSimule> p;
    FusiblesAvrdude f{vue};
};

} // namespace

TEST_F(BancFusibles, ComposantAUnSeulOctet) {
    // avrdude appelle « fuse » l'octet de l'ATtiny12 ; « lfuse » serait ignoré.
    ASSERT_NO_FATAL_FAILURE(carte("attiny12", "t12", {"--signature", "1e9005", "--lfuse", "d9"}));
    ASSERT_EQ(f.ListeFusibles.size(), 8u);
    f.lire();
    EXPECT_EQ(std::tuple(titres(), f.ValeurFusibleBas, vue.journal),
              std::tuple(QStringList(), std::uint8_t(0xD9), QStringList{"bip"}));
}

TEST_F(BancFusibles, AvrdudeAbsentAncienOuIncoherent) {
    ASSERT_NO_FATAL_FAILURE(carte("atmega8", "m8"));
    f.programme = dossier.filePath(QStringLiteral("absent"));
    f.lire();
    EXPECT_EQ(titres(), QStringList{"avrdude introuvable"});

    // avrdude 6.3 : sortie entre guillemets, « bytes », -u à l'écriture ; le verrou inchangé non réécrit.
    messages.messages.clear();
    f.programme =
        faux("echo \"$*\" >> \"$(dirname \"$0\")/appels\"\n"
             "case \"$*\" in\n"
             "  *-\\?*) echo 'avrdude version 6.3-20171130, URL: <http://savannah.nongnu.org/>' ;;\n"
             "  *:r:*) printf 'avrdude: writing output file \"<stdout>\"\\n\\377\\n' ;;\n"
             "  *:w:*) m=$(echo \"$*\" | sed 's/.*-U \\([a-z]*\\):.*/\\1/')\n"
             "         echo \"avrdude: 1 bytes of $m written\" ;;\n"
             "esac\n");
    f.lire();
    messages.réponses = {RéponseMessage::Oui};
    f.écrire();
    EXPECT_FALSE(f.ErreurAvrdude) << titres().join(u',').toStdString();
    EXPECT_EQ(QString::fromUtf8(OutilsTests::lireFichier(dossier.filePath(QStringLiteral("appels")))),
              QStringLiteral("-p m8 -P %1 -c stk500v1 -U hfuse:r:-:r\n"
                             "-p m8 -P %1 -c stk500v1 -U lfuse:r:-:r\n"
                             "-p m8 -P %1 -c stk500v1 -U lock:r:-:r\n"
                             "-?\n"
                             "-p m8 -P %1 -c stk500v1 -u -U hfuse:w:223:m\n"
                             "-p m8 -P %1 -c stk500v1 -u -U lfuse:w:255:m\n")
                  .arg(p->port()));

    // Un avrdude qui ne rend pas sa version : l'arrêt demandé l'interrompt, rien n'est écrit.
    Avrdude::oublierVersion();
    messages.messages.clear();
    f.programme =
        faux("case \"$*\" in *-\\?*) exec sleep 30 ;; esac\necho \"$*\" >> \"$(dirname \"$0\")/appels\"\n");
    QTimer::singleShot(300, [this] { f.arrêter(); });
    messages.réponses = {RéponseMessage::Oui};
    QElapsedTimer durée;
    durée.start();
    f.écrire();
    EXPECT_LT(durée.elapsed(), 10000);
    // La question, puis SPIEN refusé à la préparation du premier octet ; aucun message d'échec.
    EXPECT_EQ(std::tuple(f.ErreurAvrdude, titres()), std::tuple(true, QStringList{"ATTENTION", "Attention"}));
    EXPECT_EQ(OutilsTests::lireFichier(dossier.filePath(QStringLiteral("appels"))).count('\n'), 6);
}

TEST_F(BancFusibles, DescriptionsQuiEmpechentDeLire) {
    // Un avrdude qui bloque ou qui déborde ne dit rien (le fusible inaccessible : vu dans la fenêtre).
    ASSERT_NO_FATAL_FAILURE(carte("at90s2313", "2313", {"--signature", "1e9101"}));
    QElapsedTimer durée;
    durée.start();
    for (const QByteArray& script :
         {QByteArray("exec sleep 30\n"), QByteArray("exec yes 'memory \"fuse\"'\n")}) {
        Avrdude::oublierParties();
        messages.messages.clear();
        f.programme = faux(script);
        f.délaiPartie = 500;
        f.charger();
        f.vérifierComposant();
        EXPECT_TRUE(messages.messages.empty()) << script.constData();
    }
    EXPECT_LT(durée.elapsed(), 10000);

    // Une description endommagée : dite à l'ouverture, avec son fichier.
    etatGlobal().DossierInstallation = dossier.path();
    const QString fichier = dossier.filePath(QStringLiteral("Description des AVR/atmega8.xml"));
    valeursMakefile().MicroContrôleur = QStringLiteral("atmega8");
    OutilsTests::ecrireFichier(fichier, "<AVRPART><FUSE><LIST>[LOW:HIGH]");
    messages.messages.clear();
    f.charger();
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_TRUE(messages.messages[0].texte.contains(QDir::toNativeSeparators(fichier)));
    EXPECT_TRUE(f.ListeFusibles.empty());
}
