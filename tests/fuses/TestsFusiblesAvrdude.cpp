// Lecture et écriture des fusibles par le vrai avrdude, contre le programmateur simulé.
#include "common/Messages.h"
#include "fixtures/programmateur/ProgrammateurSimule.h"
#include "fuses/DescriptionAVR.h"
#include "fuses/FusiblesAvrdude.h"
#include "launcher/EtatGlobal.h"
#include "launcher/plateforme/Processus.h"
#include "makefile/ParametreMakefile.h"
#include "outils/OutilsTests.h"

#include <QFile>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// La fenêtre réduite à ce que l'enchaînement lui demande, notée dans l'ordre.
class VueNotée final : public VueFusibles {
public:
    explicit VueNotée(EnregistreurMessages& m) : messages(m) {}
    void élargirConsole() override {
        journal << QStringLiteral("élargir après %1 messages").arg(messages.messages.size());
    }
    void bip() override { journal << QStringLiteral("bip"); }
    void montrerÉtape(const QString& étape) override {
        if (!étape.isEmpty()) étapes << étape;
        if (!étape.isEmpty() && surÉtape) surÉtape();
    }
    void actualiser() override {}

    EnregistreurMessages& messages;
    QStringList journal;
    QStringList étapes;
    std::function<void()> surÉtape;
};

struct BancFusibles : ::testing::Test {
    EnregistreurMessages messages;
    VueNotée vue{messages};

    void SetUp() override {
        ASSERT_FALSE(Processus::trouverProgramme(QStringLiteral("avrdude")).isEmpty())
            << "avrdude est introuvable";
        ASSERT_TRUE(QFileInfo(ProgrammateurSimule::chemin()).isExecutable()) << "programmateur_simule absent";
        etatGlobal().réinitialiser();
        etatGlobal().DossierInstallation = OutilsTests::dossierConstruction();
        valeursMakefile().réinitialiser();
        descriptionAVR().réinitialiser();
        Avrdude::oublierVersion();
    }
    void TearDown() override {
        etatGlobal().réinitialiser();
        valeursMakefile().réinitialiser();
        descriptionAVR().réinitialiser();
        Avrdude::oublierVersion();
    }

    // Le composant et le programmateur tels que la configuration les fixe.
    void composant(const QString& mcu, const QString& partie, const ProgrammateurSimule& p,
                   const QString& programmateur = QStringLiteral("avrisp")) {
        ASSERT_TRUE(ChargerDescriptionAVR(mcu).réussi());
        ValeursMakefile& v = valeursMakefile();
        v.MicroContrôleur = mcu;
        v.PartieAvrdude = partie;
        v.Programmateur = programmateur;
        v.PortProgrammateur = p.port();
    }

    static QStringList cochées(const ListeCoches& l) {
        QStringList r;
        for (const LigneCoche& c : l)
            if (c.cochée) r << c.nom;
        return r;
    }

    QStringList titres() const {
        QStringList r;
        for (const Message& m : messages.messages)
            r << m.titre;
        return r;
    }
};

} // namespace

TEST_F(BancFusibles, LectureDUnATmega8PuisEcritureApresLecture) {
    ProgrammateurSimule p({QStringLiteral("--signature"), QStringLiteral("1e9307"), QStringLiteral("--lfuse"),
                           QStringLiteral("e1"), QStringLiteral("--hfuse"), QStringLiteral("d9"),
                           QStringLiteral("--lock"), QStringLiteral("fc")});
    ASSERT_TRUE(p.pret());
    composant(QStringLiteral("atmega8"), QStringLiteral("m8"), p);
    FusiblesAvrdude f(vue);
    f.charger();
    ASSERT_EQ(f.ListeFusibles.size(), 16u);
    EXPECT_EQ(f.ListeFusibles[0].nom, QStringLiteral("RSTDISBL"));
    EXPECT_EQ(f.ListeFusibles[15].nom, QStringLiteral("CKSEL0"));
    EXPECT_EQ(f.ListeVerrouillage[7].nom, QStringLiteral("LB1"));
    EXPECT_TRUE(f.ListeVerrouillage[0].nom.isEmpty());

    f.lire();
    EXPECT_TRUE(messages.messages.empty()) << titres().join(u',').toStdString();
    EXPECT_FALSE(f.ErreurAvrdude);
    EXPECT_EQ(f.ValeurFusibleHaut, 0xD9);
    EXPECT_EQ(f.ValeurFusibleBas, 0xE1);
    EXPECT_EQ(f.ValeurVerrou, 0xFC);
    // d9 = 1101 1001 : SPIEN (bit 5) programmé ; e1 = 1110 0001 ; fc = 1111 1100.
    EXPECT_EQ(cochées(f.ListeFusibles), (QStringList{"RSTDISBL", "WDTON", "CKOPT", "EESAVE", "BOOTRST",
                                                     "BODLEVEL", "BODEN", "SUT1", "CKSEL0"}));
    EXPECT_EQ(cochées(f.ListeVerrouillage), (QStringList{"", "", "BLB12", "BLB11", "BLB02", "BLB01"}));
    EXPECT_EQ(vue.étapes, (QStringList{"Lecture du fusible haut…", "Lecture du fusible bas…",
                                       "Lecture du verrouillage…"}));
    EXPECT_EQ(vue.journal, QStringList{"bip"});
    EXPECT_EQ(f.CBLire, (EtatBouton{QStringLiteral("Fusibles Lus"), CouleurRVB{0, 255, 0}}));
    EXPECT_EQ(f.CBFuser, (EtatBouton{QStringLiteral("Fuser les bits"), CouleurRVB{255, 192, 192}}));
    // La console : les deux sorties des fusibles suivies d'astérisques, puis celle du verrou.
    const QString console = f.RTAffichageDos.texte();
    EXPECT_EQ(console.count(QString(126, u'*') + QStringLiteral("\r\n")), 2);
    EXPECT_EQ(console.count(QStringLiteral("writing output file <stdout>")), 3);
    EXPECT_FALSE(console.contains(QString(127, u'*')));

    // Un bit changé, SPIEN coché par mégarde, puis l'écriture confirmée.
    f.ListeFusibles[3].cochée = false;     // CKOPT : d9 → c9
    f.ListeFusibles[2].cochée = true;      // SPIEN, refusé
    f.ListeFusibles[15].cochée = false;    // CKSEL0 : e1 → e0
    f.ListeVerrouillage[2].cochée = false; // BLB12 : fc → dc
    vue.journal.clear();
    messages.réponses = {RéponseMessage::Oui};
    f.écrire();
    ASSERT_EQ(titres(), (QStringList{"ATTENTION", "Attention"}));
    EXPECT_EQ(messages.messages[0].parDéfaut, RéponseMessage::Non);
    EXPECT_FALSE(f.ErreurAvrdude);
    EXPECT_EQ(vue.journal, QStringList{"bip"});
    EXPECT_EQ(p.journal(), QStringLiteral("hfuse=c9\nlfuse=e0\nlock=dc\n"));
    EXPECT_EQ(f.CBFuser, (EtatBouton{QStringLiteral("Fusibles Ecris"), CouleurRVB{255, 0, 0}}));
    EXPECT_EQ(f.CBLire, (EtatBouton{QStringLiteral("Lire Fusibles"), CouleurRVB{192, 255, 192}}));
    // avrdude 7.1 : ni -u ni son avertissement.
    EXPECT_FALSE(f.RTAffichageDos.texte().contains(QStringLiteral("safemode")));
    EXPECT_TRUE(f.RTAffichageDos.texte().contains(QStringLiteral("1 byte of lock verified")));

    // Une écriture réussie permet la suivante sans relire.
    messages.messages.clear();
    messages.réponses = {RéponseMessage::Oui};
    f.ListeFusibles[15].cochée = true;
    f.écrire();
    EXPECT_EQ(titres(), (QStringList{"ATTENTION", "Attention"}));
    EXPECT_FALSE(f.ErreurAvrdude);
    p.arreter();
    EXPECT_TRUE(p.journal().endsWith(QStringLiteral("fin lfuse=e1 hfuse=c9 efuse=ff lock=dc\n")))
        << p.journal().toStdString();
}

TEST_F(BancFusibles, OctetsBrutsQuiRessemblentADuTexte) {
    ProgrammateurSimule p({QStringLiteral("--lfuse"), QStringLiteral("0a"), QStringLiteral("--hfuse"),
                           QStringLiteral("00"), QStringLiteral("--lock"), QStringLiteral("ff")});
    ASSERT_TRUE(p.pret());
    composant(QStringLiteral("atmega8"), QStringLiteral("m8"), p, QStringLiteral("stk500v1"));
    FusiblesAvrdude f(vue);
    f.charger();
    f.lire();
    EXPECT_TRUE(messages.messages.empty()) << titres().join(u',').toStdString();
    EXPECT_EQ(f.ValeurFusibleHaut, 0x00);
    EXPECT_EQ(f.ValeurFusibleBas, 0x0A);
    EXPECT_EQ(f.ValeurVerrou, 0xFF);
    EXPECT_EQ(cochées(f.ListeFusibles), (QStringList{"CKSEL3", "CKSEL1"}));
    EXPECT_EQ(cochées(f.ListeVerrouillage).size(), 8);
    // Le NUL est montré lisiblement dans la console.
    EXPECT_TRUE(f.RTAffichageDos.texte().contains(QStringLiteral("<stdout>\r\n<0x00>\r\n")));
}

TEST_F(BancFusibles, ComposantAUnSeulOctet) {
    ProgrammateurSimule p({QStringLiteral("--signature"), QStringLiteral("1e9005"), QStringLiteral("--lfuse"),
                           QStringLiteral("d9")});
    ASSERT_TRUE(p.pret());
    composant(QStringLiteral("attiny12"), QStringLiteral("t12"), p);
    FusiblesAvrdude f(vue);
    f.charger();
    ASSERT_EQ(f.ListeFusibles.size(), 8u);
    f.lire();
    EXPECT_TRUE(messages.messages.empty()) << titres().join(u',').toStdString();
    EXPECT_EQ(f.ValeurFusibleBas, 0xD9);
    EXPECT_EQ(vue.étapes.first(), QStringLiteral("Lecture du fusible…"));
    EXPECT_TRUE(f.RTAffichageDos.texte().contains(QStringLiteral("reading fuse memory")));
}

TEST_F(BancFusibles, EcritureRefuseeAvantLecture) {
    ProgrammateurSimule p;
    ASSERT_TRUE(p.pret());
    composant(QStringLiteral("atmega8"), QStringLiteral("m8"), p);
    FusiblesAvrdude f(vue);
    f.charger();
    // Non : rien d'autre. Oui, deux fois : refusé deux fois.
    messages.réponses = {RéponseMessage::Non, RéponseMessage::Oui, RéponseMessage::OK, RéponseMessage::Oui};
    f.écrire();
    f.écrire();
    f.écrire();
    ASSERT_EQ(titres(), (QStringList{"ATTENTION", "ATTENTION", "Sécurité : papiers s'il vous plait !!!",
                                     "ATTENTION", "Sécurité : papiers s'il vous plait !!!"}));
    EXPECT_EQ(
        messages.messages[2].texte,
        QStringLiteral("Pour votre protection je ne vous permets pas d'écrire les fusibles sans les avoir "
                       "lu auparavant. Et toc !"));
    EXPECT_EQ(messages.messages[2].icône, IconeMessage::Exclamation);
    EXPECT_TRUE(vue.étapes.isEmpty());
    p.arreter();
    EXPECT_EQ(p.journal(), QStringLiteral("fin lfuse=e1 hfuse=d9 efuse=ff lock=ff\n"));
}

TEST_F(BancFusibles, ProgrammateurMuet) {
    ProgrammateurSimule p({QStringLiteral("--muet")});
    ASSERT_TRUE(p.pret());
    composant(QStringLiteral("atmega8"), QStringLiteral("m8"), p);
    FusiblesAvrdude f(vue);
    f.charger();
    // avrdude réessaierait dix fois : arrêté dès qu'il a dit que le programmateur ne répond pas.
    f.lire();
    ASSERT_EQ(titres(), QStringList{"Erreur de communication"});
    EXPECT_EQ(messages.messages[0].texte,
              QStringLiteral("Le µC ne répond pas. \r\n\r\nVérifiez la connection de la carte au PC, son "
                             "alimentation et la configuration éventuelle d'un mode de programmation.\r\n\r\n"
                             "Cliquez sur >>>> pour en savoir plus."));
    EXPECT_TRUE(f.ErreurAvrdude);
    EXPECT_EQ(vue.étapes, QStringList{"Lecture du fusible haut…"});
    EXPECT_TRUE(vue.journal.isEmpty()); // ni élargie, ni bip
    EXPECT_EQ(f.CBLire.légende, QStringLiteral("Lire les fusibles"));
    EXPECT_TRUE(f.RTAffichageDos.texte().contains(QStringLiteral("programmer is not responding")));
    EXPECT_FALSE(f.RTAffichageDos.texte().contains(QStringLiteral("attempt 2 of 10")));
    EXPECT_TRUE(f.RTAffichageDos.texte().contains(QStringLiteral("le programmateur ne répond pas")));
}

TEST_F(BancFusibles, MauvaisComposantEtLectureQuiAjouteSansEffacer) {
    // Un ATmega168 sur la carte quand la configuration dit ATmega8.
    ProgrammateurSimule p({QStringLiteral("--signature"), QStringLiteral("1e9406"), QStringLiteral("--hfuse"),
                           QStringLiteral("00")});
    ASSERT_TRUE(p.pret());
    composant(QStringLiteral("atmega8"), QStringLiteral("m8"), p);
    FusiblesAvrdude f(vue);
    f.charger();
    f.lire();
    ASSERT_EQ(titres(), QStringList{"Erreur indéfinie"});
    EXPECT_EQ(messages.messages[0].texte,
              QStringLiteral("Une erreur indéfinie c'est produite.\r\n\r\nRegarder dans "
                             "la fenêtre de droite pour en savoir plus."));
    // La console est montrée avant le message, et contient déjà la sortie.
    EXPECT_EQ(vue.journal, QStringList{"élargir après 0 messages"});
    EXPECT_TRUE(f.RTAffichageDos.texte().contains(QStringLiteral("expected signature for ATmega8")));
    EXPECT_EQ(vue.étapes.size(), 1);
    EXPECT_TRUE(cochées(f.ListeFusibles).isEmpty());
}

TEST_F(BancFusibles, SecondeLectureAjouteDesCoches) {
    ProgrammateurSimule p(
        {QStringLiteral("--hfuse"), QStringLiteral("d9"), QStringLiteral("--lfuse"), QStringLiteral("e1")});
    ASSERT_TRUE(p.pret());
    composant(QStringLiteral("atmega8"), QStringLiteral("m8"), p);
    FusiblesAvrdude f(vue);
    f.charger();
    f.lire();
    // Décochées par l'utilisateur, puis relues : cochées de nouveau ; SPIEN coché reste coché.
    f.ListeFusibles[0].cochée = false;
    f.ListeFusibles[2].cochée = true;
    f.lire();
    EXPECT_TRUE(f.ListeFusibles[0].cochée);
    EXPECT_TRUE(f.ListeFusibles[2].cochée);
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(BancFusibles, ArretPendantUneLecture) {
    ProgrammateurSimule p({QStringLiteral("--muet")});
    ASSERT_TRUE(p.pret());
    composant(QStringLiteral("atmega8"), QStringLiteral("m8"), p);
    FusiblesAvrdude f(vue);
    f.charger();
    // Arrêt demandé dès la première attente d'avrdude, qui n'a encore rien dit.
    bool demandé = false;
    QObject::connect(&f.MyDOS, &DOSClass::WaitForInput, &f.MyDOS, [&] {
        if (!demandé) f.arrêter();
        demandé = true;
    });
    f.lire();
    EXPECT_TRUE(demandé);
    EXPECT_TRUE(f.ErreurAvrdude);
    EXPECT_TRUE(messages.messages.empty()) << titres().join(u',').toStdString();
    EXPECT_EQ(vue.étapes, QStringList{"Lecture du fusible haut…"});
    EXPECT_TRUE(f.RTAffichageDos.texte().contains(QStringLiteral("avrdude arrêté à votre demande.")));
    EXPECT_FALSE(f.enCours());
    // Un arrêt hors exécution ne gêne pas la lecture suivante.
    f.arrêter();
    EXPECT_EQ(f.CBLire.légende, QStringLiteral("Lire les fusibles"));
}

TEST_F(BancFusibles, AvrdudeAbsentOuQuiDitNImporteQuoi) {
    ProgrammateurSimule p;
    ASSERT_TRUE(p.pret());
    composant(QStringLiteral("atmega8"), QStringLiteral("m8"), p);
    FusiblesAvrdude f(vue);
    f.charger();
    f.programme = QStringLiteral("/chemin/sans/avrdude");
    f.lire();
    ASSERT_EQ(titres(), QStringList{"avrdude introuvable"});
    EXPECT_TRUE(f.ErreurAvrdude);

    // Un faux avrdude qui réussit sans jamais nommer la sortie standard.
    QTemporaryDir d;
    const QString faux = d.filePath(QStringLiteral("avrdude"));
    OutilsTests::ecrireFichier(faux, "#!/bin/sh\nprintf 'avrdude: reading\\n\\331\\n'\n");
    QFile::setPermissions(faux, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    f.programme = faux;
    messages.messages.clear();
    f.lire();
    // Sans l'annonce de la sortie standard, aucune valeur n'est devinée.
    ASSERT_EQ(titres(), QStringList{"Erreur indéfinie"});
    EXPECT_TRUE(cochées(f.ListeFusibles).isEmpty());
}

TEST_F(BancFusibles, OptionDeSecuritePourUnAvrdudeAncien) {
    ProgrammateurSimule p;
    ASSERT_TRUE(p.pret());
    composant(QStringLiteral("atmega8"), QStringLiteral("m8"), p);
    // Un avrdude 6.3 simulé : la lecture nomme la sortie, l'écriture confirme.
    QTemporaryDir d;
    const QString faux = d.filePath(QStringLiteral("avrdude"));
    OutilsTests::ecrireFichier(
        faux, "#!/bin/sh\n"
              "echo \"$*\" >> \"$(dirname \"$0\")/appels\"\n"
              "case \"$*\" in\n"
              "  *-\\?*) echo 'avrdude version 6.3-20171130, URL: <http://savannah.nongnu.org/>' ;;\n"
              "  *:r:*) printf 'avrdude: writing output file \"<stdout>\"\\n\\377\\n' ;;\n"
              "  *:w:*) m=$(echo \"$*\" | sed 's/.*-U \\([a-z]*\\):.*/\\1/')\n"
              "         echo \"avrdude: 1 bytes of $m written\" ;;\n"
              "esac\n");
    QFile::setPermissions(faux, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    FusiblesAvrdude f(vue);
    f.charger();
    f.programme = faux;
    f.lire();
    ASSERT_TRUE(messages.messages.empty()) << titres().join(u',').toStdString();
    messages.réponses = {RéponseMessage::Oui};
    f.écrire();
    EXPECT_FALSE(f.ErreurAvrdude) << titres().join(u',').toStdString();
    const QString port = p.port();
    EXPECT_EQ(QString::fromUtf8(OutilsTests::lireFichier(d.filePath(QStringLiteral("appels")))),
              QStringLiteral("-p m8 -P %1 -c avrisp -U hfuse:r:-:r\n"
                             "-p m8 -P %1 -c avrisp -U lfuse:r:-:r\n"
                             "-p m8 -P %1 -c avrisp -U lock:r:-:r\n"
                             "-?\n"
                             "-p m8 -P %1 -c avrisp -u -U hfuse:w:223:m\n"
                             "-p m8 -P %1 -c avrisp -u -U lfuse:w:255:m\n"
                             "-p m8 -P %1 -c avrisp -u -U lock:w:255:m\n")
                  .arg(port));
}
