// Le générateur du squelette, prouvé par avr-gcc, make et simavr.
#include "assistant/project/ConfigurationPorts.h"
#include "assistant/project/GenerateurProjet.h"
#include "assistant/timers/CapacitesComposant.h"
#include "outils/EssaiConfiguration.h"
#include "outils/OutilsAvr.h"
#include "outils/OutilsTests.h"

#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <gtest/gtest.h>
#include <map>
#include <memory>

using namespace OutilsTests;

namespace {

using OutilsAvr::fichierLivré;
using OutilsAvr::modèlesLivrés;

LignePort portB(int direction, int pullUp, int ignorer = 0) {
    LignePort l;
    l.nom = QStringLiteral("B");
    l.direction = int16_t(direction);
    l.pullUp = int16_t(pullUp);
    l.ignorer = int16_t(ignorer);
    l.réglage = LignePort::Réglage::Fermé;
    return l;
}

} // namespace

// Valeurs écrites : relues dans simavr (ChaqueModèle…) ; ici ce qu'il ne distingue pas du démarrage.
TEST(ConfigurationPorts, TextesDesDeuxMomentsEtPortsDuComposant) {
    // Sans pull-up, seul le port quitté écrit PORTB.
    EXPECT_FALSE(ConfigurationPorts::blocEnFermant(portB(0xFF, 0)).contains(QStringLiteral("PORTB")));
    EXPECT_TRUE(
        ConfigurationPorts::blocEnQuittantLePort(portB(0xFF, 0)).contains(QStringLiteral("PORTB=0x00;")));

    // ATmega8 : bit 7 absent de C, port A d'une table précédente, ports non réglés : rien d'écrit.
    const std::vector<PortComposant> ports = ConfigurationPorts::ports(OutilsAvr::composant("atmega8"));
    ASSERT_EQ(ports.size(), 3u);
    TablePorts table = ConfigurationPorts::nouvelleTable(ports);
    table[1].direction = 0xFF;
    table[1].réglage = LignePort::Réglage::Fermé;
    table.push_back(portB(0xFF, 0));
    table.back().nom = QStringLiteral("A");
    EXPECT_EQ(ConfigurationPorts::texteConfiguration(table, ports),
              "// Configuration des ports\r\n\tDDRC=0x7F; // Tout en sortie.\r\n");
    // Un port sans aucun bit (« -,-,-,-,-,-,-,- ») n'écrit rien, même réglé.
    std::vector<PortComposant> sansBits = ports;
    sansBits[1].bits.fill(QStringLiteral("-"));
    EXPECT_EQ(ConfigurationPorts::texteConfiguration(table, sansBits), "");
}

// Repère remplacé une fois ; valeurs piégées (repère, fin de commentaire, ligne jointe) : compilé.
// Sans modèle, modèle de blancs ou vitesse série manquante : un message, le tampon gardé.
TEST(GenerateurProjet, UnSeulPassageValeursPiégéesEtÉchecs) {
    EnregistreurMessages messages;
    QTemporaryDir dossier;
    ecrireFichier(dossier.filePath("Essai.c.Modèle"),
                  "/* %Commentaire% */\n// Projet %Nom%\n// Version %Version%\n// %Auteur%\n"
                  "#include <avr/io.h>\n// %Entreprise%\n#include <avr/io.h>\n%Include%\n"
                  "int main(void)\n{\n%Port%\n\treturn PORTB;\n}\n// %Nom% %Freq%\n");
    EntréesProjet e;
    e.dossierModèles = dossier.path();
    e.détails.Nom = QStringLiteral("%Include%");
    e.détails.Version = QStringLiteral("%Port%");
    e.détails.Auteur = QStringLiteral("Ada\nerreur piège2\\ \t");
    e.détails.Entreprise = QStringLiteral("Atelier ?\?/");
    e.détails.Commentaire = QStringLiteral("fin */ erreur piège /* *\\\n/ encore");
    e.textePorts = QStringLiteral("\tDDRB=0x01;");
    e.fréquenceCPU = QStringLiteral("3686400");
    e.locale = QLocale(QLocale::French, QLocale::France);
    DocumentRiche tampon;
    ASSERT_TRUE(GénérerLeCodeProjet(e, tampon).généré);
    const QString texte = tampon.texte();
    EXPECT_TRUE(texte.endsWith(QStringLiteral("// %Nom% 3,6864 MHz \r\n"))) << texte.toStdString();
    EXPECT_TRUE(texte.contains(QStringLiteral("// Projet %Include% \r\n// Version %Port% \r\n")));
    EXPECT_TRUE(messages.messages.empty());

    // Le bloc série vient du premier composant du nom, vitesse dite.
    const QString f = dossier.filePath(QStringLiteral("Configuration.xml"));
    ecrireFichier(f, "<DONNEES><Processeur Nom=\"essai\"><Périphériques><RS232>#define BAUD %Vitesse%</RS232>"
                     "</Périphériques></Processeur><Processeur Nom=\"ESSAI\"><Périphériques><RS232>second"
                     "</RS232></Périphériques></Processeur></DONNEES>");
    e.fichierConfiguration = f;
    e.microContrôleur = QStringLiteral("essai");
    e.périphériques[size_t(Périphérique::RS232)] = true;
    EXPECT_EQ(GenerateurProjet::blocInclude(f, "Essai", e.périphériques, "57600"), "#define BAUD 57600\r\n");
    ecrireFichier(dossier.filePath("Creux.c.Modèle"), "\r\n \t\r\n");
    QTemporaryDir vide;
    for (const auto& [modèles, modèle, dit] : {std::tuple{vide.path(), "", "Pas de modèle"},
                                               {dossier.path(), "Creux", "« Creux » est vide"},
                                               {dossier.path(), "Essai", "Vitesse série"}}) {
        messages.messages.clear();
        e.dossierModèles = modèles;
        e.modèle = QString::fromUtf8(modèle);
        EXPECT_FALSE(GénérerLeCodeProjet(e, tampon).généré) << dit;
        ASSERT_EQ(messages.messages.size(), 1u) << dit;
        EXPECT_TRUE(messages.messages[0].texte.contains(QString::fromUtf8(dit))) << dit;
        EXPECT_EQ(tampon.texte(), texte) << dit;
    }

    // Le code glissé (« erreur piège ») casserait la compilation.
    EXIGER_OUTILS("avr-gcc");
    QByteArray erreurs;
    EXPECT_FALSE(OutilsAvr::compiler(dossier, "essai", "atmega8", texte, &erreurs).isEmpty())
        << erreurs.toStdString() << texte.toStdString();
}

namespace {

// Lance les commandes deux à deux (une par cœur) ; rend, pour chacune, son code et sa sortie.
std::vector<std::pair<int, QString>>
exécuterDeuxÀDeux(const std::vector<std::pair<QString, QStringList>>& commandes,
                  const QStringList& dossiers) {
    std::vector<std::unique_ptr<QProcess>> processus;
    std::vector<std::pair<int, QString>> résultats(commandes.size());
    auto finir = [&](size_t i) {
        processus[i]->waitForFinished(120000);
        résultats[i] = {processus[i]->exitCode(), QString::fromUtf8(processus[i]->readAll())};
    };
    for (size_t i = 0; i < commandes.size(); ++i) {
        if (i >= 2) finir(i - 2);
        processus.push_back(std::make_unique<QProcess>());
        processus[i]->setProcessChannelMode(QProcess::MergedChannels);
        processus[i]->setWorkingDirectory(dossiers[qsizetype(i)]);
        processus[i]->start(commandes[i].first, commandes[i].second);
    }
    for (size_t i = commandes.size() >= 2 ? commandes.size() - 2 : 0; i < commandes.size(); ++i)
        finir(i);
    return résultats;
}

// Valeurs attendues d'un port réglé : nom, DDRx, PORTx (bits que le port possède).
struct PortRéglé {
    QString nom;
    int direction, pullUp;
};

// Le source d'un projet, toutes inclusions cochées ; B (à défaut le premier) fermé, un autre quitté.
QByteArray projetPour(const QString& mcu, const QString& modèle, std::vector<PortRéglé>* réglés = nullptr) {
    CapacitésComposant c;
    EXPECT_TRUE(CapacitesComposant::lire(fichierLivré(), mcu, c));
    const std::vector<PortComposant> ports = ConfigurationPorts::ports(c);
    EXPECT_FALSE(ports.empty()) << mcu.toStdString();
    TablePorts table = ConfigurationPorts::nouvelleTable(ports);
    size_t fermé = 0;
    for (size_t i = 0; i < ports.size(); ++i)
        if (ports[i].nom == u"B") fermé = i;
    for (size_t i = 0; i < table.size() && i < ports.size(); ++i) {
        const bool b = i == fermé;
        if (!b && i != (fermé == 0 ? 1u : 0u)) continue;
        table[i].direction = b ? 0xF0 : 0x5A;
        table[i].pullUp = b ? 0x03 : 0x81;
        table[i].réglage = b ? LignePort::Réglage::Fermé : LignePort::Réglage::Quitté;
        if (réglés)
            réglés->push_back(
                {ports[i].nom, table[i].direction & ports[i].masque(), table[i].pullUp & ports[i].masque()});
    }
    EntréesProjet e;
    e.détails = {"1.0", "Essai", "Ada", "Atelier", "Ligne 1\nLigne 2 */", "06/12/2026", "20:00"};
    e.microContrôleur = mcu;
    e.fréquenceCPU = QStringLiteral("8000000");
    e.périphériques.fill(true);
    e.textePorts = ConfigurationPorts::texteConfiguration(table, ports);
    // Une vitesse que setbaud.h tient à 8 MHz sans avertissement.
    e.vitesseSérie = QStringLiteral("38400");
    e.fichierConfiguration = fichierLivré();
    e.dossierModèles = modèlesLivrés();
    e.modèle = modèle;
    DocumentRiche tampon;
    EXPECT_TRUE(GénérerLeCodeProjet(e, tampon).généré);
    return tampon.texte().toUtf8();
}

} // namespace

// Chaque modèle de chaque composant lié sans avertissement (make pour chaque famille), ports relus.
TEST(GenerateurProjet, ChaqueModèlePourChaqueComposantCompileSansAvertissement) {
    EXIGER_OUTILS("make", "avr-gcc", "simavr");
    const QStringList modèles = GenerateurProjet::listeModèles(modèlesLivrés());
    ASSERT_GE(modèles.size(), 3);
    const QStringList composants = CapacitesComposant::composants(fichierLivré());
    ASSERT_GE(composants.size(), 40);
    QTemporaryDir racine;
    std::vector<std::pair<QString, QStringList>> commandes;
    QStringList dossiers;
    std::map<QString, std::vector<PortRéglé>> réglés;
    for (const QString& mcu : composants) {
        // Qui a un UDR, UDR0 ou UDR1 reçoit un vrai bloc RS232.
        const bool uart = !OutilsAvr::adresses(mcu).keys().filter(QRegularExpression("^UDR[01]?$")).isEmpty();
        for (int i = 0; i < modèles.size(); ++i) {
            const QString dossier = racine.filePath(mcu);
            const QString m = QStringLiteral("m%1").arg(i);
            const QByteArray source = projetPour(mcu, modèles[i], i == 0 ? &réglés[mcu] : nullptr);
            EXPECT_EQ(source.contains("Pas de liaison série"), !uart) << mcu.toStdString();
            ecrireFichier(dossier + u'/' + m + QStringLiteral(".c"), source);
            // Les options du makefile par défaut, plus -Werror.
            commandes.push_back({QStringLiteral("avr-gcc"),
                                 {"-mmcu=" + mcu, "-DF_CPU=8000000UL", "-Os", "-gdwarf-2", "-std=gnu99",
                                  "-Wall", "-Wstrict-prototypes", "-funsigned-char", "-funsigned-bitfields",
                                  "-fshort-enums", "-ffunction-sections", "-fdata-sections", "-Werror",
                                  m + ".c", "-o", m + ".elf", "-Wl,--gc-sections", "-lm"}});
            dossiers << dossier;
        }
    }
    const QStringList parMake = {"atmega8",  "atmega16",   "atmega328p", "atmega2560", "attiny13",
                                 "attiny85", "attiny2313", "atmega32u4", "at90s8515"};
    for (const QString& mcu : parMake) {
        ASSERT_TRUE(composants.contains(mcu)) << mcu.toStdString();
        for (int i = 0; i < modèles.size(); ++i) {
            const QString dossier = racine.filePath(QStringLiteral("make-%1-%2").arg(mcu).arg(i));
            ecrireFichier(dossier + QStringLiteral("/main.c"), projetPour(mcu, modèles[i]));
            ecrireFichier(dossier + QStringLiteral("/makefile"),
                          EssaiConfiguration::makefileAvec({{"MCU =", mcu},
                                                            {"F_CPU =", QStringLiteral("8000000")},
                                                            {"TARGET =", QStringLiteral("main")},
                                                            {"AffichageMemoire =", QString()}}));
            commandes.push_back({QStringLiteral("make"), {QStringLiteral("all")}});
            dossiers << dossier;
        }
    }
    const auto résultats = exécuterDeuxÀDeux(commandes, dossiers);
    for (size_t i = 0; i < résultats.size(); ++i) {
        SCOPED_TRACE(dossiers[qsizetype(i)].toStdString() + " " +
                     commandes[i].second.value(13).toStdString());
        EXPECT_EQ(résultats[i].first, 0) << résultats[i].second.toStdString();
        EXPECT_FALSE(résultats[i].second.contains(QStringLiteral("warning:")))
            << résultats[i].second.toStdString();
        const bool make = commandes[i].first == u"make";
        EXPECT_TRUE(QFileInfo::exists(dossiers[qsizetype(i)] + u'/' +
                                      (make ? QStringLiteral("main.hex") : commandes[i].second.value(15))));
    }

    // Les ports relus dans simavr après le démarrage, dans chaque modèle.
    for (const QString mcu :
         {"atmega8", "atmega16", "atmega328p", "attiny85", "attiny2313", "attiny13", "atmega32u4"}) {
        const std::vector<PortRéglé>& ports = réglés[mcu];
        ASSERT_FALSE(ports.empty());
        const QMap<QString, int> adr = OutilsAvr::adresses(mcu);
        QStringList options{QStringLiteral("-t"), QStringLiteral("0.002")};
        for (const PortRéglé& p : ports)
            for (const QString& reg : {"DDR" + p.nom, "PORT" + p.nom}) {
                ASSERT_TRUE(adr.contains(reg)) << reg.toStdString(); // sinon on relirait l'adresse 0
                options << QStringLiteral("-r") << QString::number(adr.value(reg));
            }
        for (int i = 0; i < modèles.size(); ++i) {
            SCOPED_TRACE(mcu.toStdString() + " " + modèles[i].toStdString());
            const auto m = OutilsAvr::mesurer(
                mcu, 8e6, racine.filePath(mcu + QStringLiteral("/m%1.elf").arg(i)), options);
            auto relu = [&](const QString& reg) {
                return int(m.value(QStringLiteral("registre_0x%1").arg(adr.value(reg), 0, 16), -1));
            };
            for (const PortRéglé& p : ports) {
                EXPECT_EQ(relu("DDR" + p.nom), p.direction) << p.nom.toStdString();
                EXPECT_EQ(relu("PORT" + p.nom), p.pullUp) << p.nom.toStdString();
            }
        }
    }
}
