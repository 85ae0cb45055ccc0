// Captures des fenêtres : une image PNG de chaque fenêtre, dans un état donné, dessinée hors
// écran. Usage : quillon_captures DOSSIER [nom…] (sans nom : toutes les captures).
//
// Chaque fenêtre s'ajoute par une ligne de la table « captures » : son nom de fichier et ce qui
// la crée dans l'état voulu à partir du contexte (projet d'exemple copié, réglages à part).
#include "assistant/project/ContexteAssistante.h"
#include "assistant/project/fenetres/FPort.h"
#include "assistant/project/fenetres/FeuilleAssistante.h"
#include "assistant/project/fenetres/OngletProjet.h"
#include "assistant/timers/fenetres/OngletBaseDeTemps.h"
#include "assistant/timers/fenetres/OngletCompteur.h"
#include "common/Messages.h"
#include "fuses/fenetres/FenFuseBit.h"
#include "makefile/ParametreMakefile.h"
#include "makefile/PreferencesInterface.h"
#include "makefile/RechercheRemplace.h"
#include "makefile/fenetres/FenConfiguration.h"
#include "makefile/fenetres/FenRechercheRemplace.h"
#include "noyau/EtatGlobal.h"
#include "ui/fenetres/APropos.h"
#include "ui/fenetres/FErreur.h"
#include "ui/fenetres/InfoBulle.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPixmap>
#include <QProcess>
#include <QRadioButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextEdit>
#include <QTextStream>
#include <QThread>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace {

// Un projet d'exemple dans un dossier temporaire et des réglages à part : les captures ne
// touchent à rien d'autre.
class Contexte {
public:
    bool préparer() {
        if (!m_temp.isValid()) return false;
        const QString installation = QCoreApplication::applicationDirPath();
        const QString sources = QStringLiteral(QUILLON_SOURCES);
        m_projet = m_temp.path() + QStringLiteral("/Mes projets/Clignotant");
        QDir().mkpath(m_projet);
        QFile::copy(sources + QStringLiteral("/exemples/Clignotant/Clignotant.c"),
                    m_projet + QStringLiteral("/Clignotant.c"));
        const QString réglages = m_temp.path() + QStringLiteral("/Paramètres.xml");
        QFile::copy(installation + QStringLiteral("/Paramètres.xml"), réglages);
        QFile::setPermissions(réglages, QFile::ReadOwner | QFile::WriteOwner);

        EtatGlobal& e = etatGlobal();
        e.réinitialiser();
        e.Commande = QStringLiteral("configurer");
        e.DossierInstallation = installation;
        e.FichierParamètres = réglages;
        e.FichierConfiguration = installation + QStringLiteral("/Configuration.xml");
        e.RépertoireDeTravail = m_projet;
        e.NomDeFichier = QStringLiteral("Clignotant");
        e.FichierC = m_projet + QStringLiteral("/Clignotant.c");
        e.RépertoireSkin = installation + QStringLiteral("/Skin/Plume/");
        e.ImageBoutonSkin = QStringLiteral("Bouton.png");
        e.ImageFenêtreSkin = QStringLiteral("Assistante.png");
        e.NomSkin = QStringLiteral("Plume");
        QDir::setCurrent(m_projet);
        return true;
    }

    // Une fenêtre de configuration neuve sur le projet d'exemple (l'ancienne est fermée).
    FenConfiguration* configuration() {
        valeursMakefile().réinitialiser();
        etatRecherche().réinitialiser();
        préférencesInterface().réinitialiser();
        FenConfiguration::Services s = FenConfiguration::Services::parDéfaut();
        s.ouvrirAide = [](const QString&) {};
        m_configuration = std::make_unique<FenConfiguration>(s);
        m_configuration->show();
        return m_configuration.get();
    }

    template <class Fenêtre> Fenêtre* garder(Fenêtre* f) {
        m_autres.emplace_back(f);
        return f;
    }

private:
    QTemporaryDir m_temp;
    QString m_projet;
    std::unique_ptr<FenConfiguration> m_configuration;
    std::vector<std::unique_ptr<QWidget>> m_autres;
};

// L'assistante sur un ATmega8 à 16 MHz, réglages et ports à zéro, montrée.
FeuilleAssistante* assistanteATmega8(Contexte& c) {
    ValeursMakefile& v = valeursMakefile();
    v.MicroContrôleur = QStringLiteral("atmega8");
    v.FréquenceCPU = QStringLiteral("16000000");
    préférencesInterface().réinitialiser();
    contexteAssistante().réinitialiser();
    auto* f = c.garder(new FeuilleAssistante);
    f->show();
    QCoreApplication::processEvents();
    return f;
}

void touche(QWidget* w, int code, Qt::KeyboardModifiers modificateurs = Qt::NoModifier) {
    QKeyEvent appui(QEvent::KeyPress, code, modificateurs);
    QCoreApplication::sendEvent(w, &appui);
}

// La fenêtre de recherche après une recherche de MCU, dans la disposition voulue.
QWidget* recherche(Contexte& c, bool remplacement) {
    FenConfiguration* f = c.configuration();
    f->basculerLargeur();
    etatRecherche().TexteRecherché = QStringLiteral("avrisp");
    etatRecherche().TexteRemplacement = QStringLiteral("stk500");
    auto* vue = f->findChild<QWidget*>(QStringLiteral("RTBMakefile"));
    touche(vue, remplacement ? Qt::Key_H : Qt::Key_F, Qt::ControlModifier);
    return f->fenêtreRecherche();
}

struct Capture {
    QString nom;
    std::function<QWidget*(Contexte&)> créer;
};

// Une ligne par fenêtre.
const std::vector<Capture> captures = {
    {QStringLiteral("configuration"), [](Contexte& c) { return c.configuration(); }},
    {QStringLiteral("configuration_elargie"),
     [](Contexte& c) {
         // Un microcontrôleur changé (valeurs en bleu), la vue sur les réglages (clés en rouge).
         FenConfiguration* f = c.configuration();
         f->basculerLargeur();
         auto* liste = f->findChild<QComboBox*>(QStringLiteral("ComboBoxChip"));
         liste->setCurrentIndex(liste->findText(QStringLiteral("ATMega16")));
         emit liste->activated(liste->currentIndex());
         auto* vue = f->findChild<QTextEdit*>(QStringLiteral("RTBMakefile"));
         QCoreApplication::processEvents();
         const QTextCursor clé = vue->document()->find(QStringLiteral("# Microcontrôleur visé"));
         vue->verticalScrollBar()->setValue(vue->verticalScrollBar()->value() + vue->cursorRect(clé).top() -
                                            4);
         return f;
     }},
    {QStringLiteral("configuration_bulle"),
     [](Contexte& c) {
         FenConfiguration* f = c.configuration();
         QEvent entrée(QEvent::Enter);
         QCoreApplication::sendEvent(f->findChild<QWidget*>(QStringLiteral("LDéboggage")), &entrée);
         return static_cast<QWidget*>(f->findChild<InfoBulle*>(QStringLiteral("InfoBulle1")));
     }},
    {QStringLiteral("recherche"), [](Contexte& c) { return recherche(c, false); }},
    {QStringLiteral("remplacement"), [](Contexte& c) { return recherche(c, true); }},
    {QStringLiteral("fusibles"),
     [](Contexte& c) {
         // Un ATmega8 lu par avrdude sur le programmateur simulé (construit avec les tests), console ouverte.
         auto* simulé = new QProcess;
         const QString port =
             QDir::tempPath() +
             QStringLiteral("/quillon_captures_port_%1").arg(QCoreApplication::applicationPid());
         QFile::remove(port);
         simulé->start(QCoreApplication::applicationDirPath() + QStringLiteral("/programmateur_simule"),
                       {QStringLiteral("--lien"), port, QStringLiteral("--lock"), QStringLiteral("fc")});
         // Le programme démarré (pas seulement lancé), on attend qu'il ait créé son lien.
         simulé->waitForStarted();
         for (int i = 0; i < 300 && simulé->state() == QProcess::Running && !QFileInfo(port).isSymLink(); ++i)
             QThread::msleep(10);
         ValeursMakefile& v = valeursMakefile();
         v.MicroContrôleur = QStringLiteral("atmega8");
         v.PartieAvrdude = QStringLiteral("m8");
         v.Programmateur = QStringLiteral("avrisp");
         v.PortProgrammateur = port;
         ChargerDescriptionAVR(v.MicroContrôleur);
         auto* f = c.garder(new FenFuseBit);
         simulé->setParent(f);
         if (QFileInfo(port).isSymLink()) f->lire();
         f->basculerTaille();
         return static_cast<QWidget*>(f);
     }},
    {QStringLiteral("assistante"),
     [](Contexte& c) {
         // Un ATmega8 à 16 MHz : 1 kHz et 0,25 tapés, puis « Voir le code ».
         FeuilleAssistante* f = assistanteATmega8(c);
         for (auto [nom, texte] : {std::pair{"TFrequence", "1 kHz"}, std::pair{"TRC", "0,25"}}) {
             auto* champ = f->findChild<QLineEdit*>(QString::fromUtf8(nom));
             champ->setFocus();
             champ->insert(QString::fromUtf8(texte));
             emit champ->textEdited(champ->text());
             emit champ->editingFinished();
         }
         f->voirLeCode();
         return static_cast<QWidget*>(f);
     }},
    {QStringLiteral("projet"),
     [](Contexte& c) {
         // L'onglet du projet d'un ATmega8 : nom, auteur, afficheur LCD, port B réglé, « Voir le code ».
         FeuilleAssistante* f = assistanteATmega8(c);
         f->SSTab1->setCurrentIndex(3);
         QCoreApplication::processEvents();
         OngletProjet* o = f->ongletProjet();
         o->TProjet->setText(QStringLiteral("Robot"));
         o->TAuteur->setText(QStringLiteral("Alice Martin"));
         o->TVersion->setText(QStringLiteral("1.0"));
         o->RCB[0]->setChecked(true);
         o->CBDate->setCurrentIndex(3);
         LignePort& b = contexteAssistante().tablePorts.at(0);
         b.direction = 0xF0;
         b.pullUp = 0x03;
         b.réglage = LignePort::Réglage::Fermé;
         f->voirLeCode();
         return static_cast<QWidget*>(f);
     }},
    {QStringLiteral("basedetemps"),
     [](Contexte& c) {
         // Une interruption toutes les millisecondes sur un ATmega8 à 16 MHz, puis « Voir le code ».
         FeuilleAssistante* f = assistanteATmega8(c);
         f->SSTab1->setCurrentIndex(2);
         QCoreApplication::processEvents();
         f->ongletBaseDeTemps()->TPériodeBase->setText(QStringLiteral("1 ms"));
         f->voirLeCode();
         return static_cast<QWidget*>(f);
     }},
    {QStringLiteral("compteur"),
     [](Contexte& c) {
         // Les fronts montants de T1 (PD5), une interruption tous les 10, puis « Voir le code ».
         FeuilleAssistante* f = assistanteATmega8(c);
         f->SSTab1->setCurrentIndex(1);
         QCoreApplication::processEvents();
         OngletCompteur* o = f->ongletCompteur();
         o->CBEntréeCompteur->setCurrentIndex(1); // T1 (PD5) : le Timer0 de l'ATmega8 ne fait que compter
         o->CBPullUp->setChecked(true);
         o->RBInterruptionN->setChecked(true);
         o->TNCompteur->setText(QStringLiteral("10"));
         f->voirLeCode();
         return static_cast<QWidget*>(f);
     }},
    {QStringLiteral("ports"),
     [](Contexte& c) {
         // Un ATmega8 (premier composant du fichier), le port B réglé : PB7 à PB4 en sortie,
         // pull-up sur PB1 et PB0.
         ContexteAssistante& a = contexteAssistante();
         a.réinitialiser();
         CapacitésComposant atmega8;
         CapacitesComposant::lire(etatGlobal().FichierConfiguration, QStringLiteral("atmega8"), atmega8);
         a.ports = ConfigurationPorts::ports(atmega8);
         a.tablePorts = ConfigurationPorts::nouvelleTable(a.ports);
         if (!a.tablePorts.empty()) {
             a.tablePorts[0].direction = 0xF0;
             a.tablePorts[0].pullUp = 0x03;
         }
         return static_cast<QWidget*>(c.garder(new FPort(a)));
     }},
    {QStringLiteral("apropos"), [](Contexte& c) { return c.garder(new APropos); }},
    {QStringLiteral("erreur"),
     [](Contexte& c) {
         etatGlobal().DescriptionErreur = QStringLiteral("Division par zéro dans CalculerPrédiviseur");
         return c.garder(new FErreur);
     }},
};

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    QTextStream erreurs(stderr);
    const QStringList arguments = application.arguments().mid(1);
    if (arguments.isEmpty()) {
        erreurs << "usage : quillon_captures DOSSIER [nom…]\n";
        return 2;
    }
    const QString dossier = arguments.front();
    const QStringList voulues = arguments.mid(1);
    if (!QDir().mkpath(dossier)) {
        erreurs << "impossible de créer " << dossier << "\n";
        return 1;
    }
    // Aucune boîte de message ne doit attendre un clic.
    EnregistreurMessages messages;
    Contexte contexte;
    if (!contexte.préparer()) {
        erreurs << "dossier temporaire impossible\n";
        return 1;
    }
    int code = 0;
    for (const Capture& capture : captures) {
        if (!voulues.isEmpty() && !voulues.contains(capture.nom)) continue;
        QWidget* fenêtre = capture.créer(contexte);
        if (!fenêtre) {
            erreurs << capture.nom << " : aucune fenêtre\n";
            code = 1;
            continue;
        }
        fenêtre->show();
        // Mise en page et dessin terminés avant la capture.
        for (int i = 0; i < 5; ++i) {
            QCoreApplication::processEvents();
            QThread::msleep(10);
        }
        const QString fichier = dossier + u'/' + capture.nom + QStringLiteral(".png");
        if (!fenêtre->grab().save(fichier)) {
            erreurs << fichier << " : enregistrement impossible\n";
            code = 1;
            continue;
        }
        QTextStream(stdout) << fichier << "\n";
    }
    for (const Message& m : messages.messages)
        erreurs << "message : " << m.texte << "\n";
    return code;
}
