// Mesure : pic de mémoire du processus pour un modèle de projet de 3,9 Mo (sous la limite de
// lecture de 4 Mio).
//   modele_volumineux logique [1-4] : génération dans le tampon, passage au document de la vue,
//     vue affichée, source écrit, chaque étape mesurée à part ;
//   modele_volumineux fenetre : l'assistante elle-même, onglet du projet, « Voir le code » puis
//     « Remplacer l'existant » (réponse Oui), comme l'utilisateur le fait ;
//   modele_volumineux programme "assistante>projet>nom" : le programme des fenêtres entier, lancé
//     depuis une installation (bench/modele_volumineux.sh la prépare), mené de même.
// Usage : QT_QPA_PLATFORM=offscreen build/modele_volumineux [logique [étapes] | fenetre]
// Cible : le pic reste sous 100 Mo.
#include "app/ActionsFenetres.h"
#include "assistant/project/GenerateurProjet.h"
#include "assistant/project/fenetres/FeuilleAssistante.h"
#include "common/FichierAtomique.h"
#include "common/Messages.h"
#include "noyau/EtatGlobal.h"
#include "noyau/Installation.h"
#include "noyau/ValeursMakefile.h"
#include "ui/fenetres/ApplicationGraphique.h"
#include "ui/fenetres/VueDocumentRiche.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMessageBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <sys/resource.h>
#include <utility>

namespace {

double picMo() {
    rusage r{};
    getrusage(RUSAGE_SELF, &r);
    return double(r.ru_maxrss) / 1024.0;
}

// Mémoire résidente à l'instant (VmRSS), pour distinguer ce qui reste de ce qui a passé.
double résidentMo() {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& l : f.readAll().split('\n'))
        if (l.startsWith("VmRSS:")) return l.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return 0;
}

void noter(const char* étape) {
    std::printf("%-34s pic %7.1f Mo   résident %7.1f Mo\n", étape, picMo(), résidentMo());
    std::fflush(stdout);
}

// Des lignes de code ordinaires, fins de ligne LF, les repères en tête.
bool écrireModèle(const QString& chemin) {
    QByteArray modèle =
        "// %Nom% %Version% %Auteur%\n/* %Commentaire% */\n%Include%\nint main(void)\n{\n%Port%\n";
    const QByteArray ligne = "\tvaleur = (valeur << 1) ^ 0x5A; // une ligne de remplissage du modèle\n";
    while (modèle.size() + ligne.size() < 3900 * 1000)
        modèle += ligne;
    return FichierAtomique::ecrire(chemin, modèle + "}\n");
}

int logique(const QTemporaryDir& dossier, int étapes) {
    if (!écrireModèle(dossier.filePath(QStringLiteral("Gros.c.Modèle")))) return 1;
    noter("départ");
    EntréesProjet e;
    e.dossierModèles = dossier.path();
    e.détails.Nom = QStringLiteral("Essai");
    e.fréquenceCPU = QStringLiteral("8000000");
    DocumentRiche RTBInvisible;
    if (!GénérerLeCodeProjet(e, RTBInvisible).généré) return 1;
    noter("1. généré dans le tampon");
    if (étapes < 2) return 0;
    // Comme la fenêtre : le code passe du tampon au document de la vue, sans copie.
    DocumentRiche code = std::exchange(RTBInvisible, DocumentRiche());
    noter("2. passé au document de la vue");
    if (étapes < 3) return 0;
    VueDocumentRiche vue;
    vue.définirDocument(&code);
    vue.resize(800, 400);
    vue.show();
    // La mise en page d'un gros document se fait par étapes, pendant les temps morts.
    for (QElapsedTimer t; !t.isValid() || t.elapsed() < 1000;) {
        if (!t.isValid()) t.start();
        QApplication::processEvents();
    }
    noter("3. vue du code affichée");
    if (étapes < 4) return 0;
    DocumentRiche source;
    source.définirTexte(code.texte());
    if (!source.enregistrerTexte(dossier.filePath(QStringLiteral("essai.c")))) return 1;
    noter("4. source écrit");
    return 0;
}

// Une installation réduite (fichier des possibilités et le seul gros modèle) et un projet.
int fenêtre(const QTemporaryDir& dossier) {
    const QString installation = dossier.filePath(QStringLiteral("Installation"));
    const QString projet = dossier.filePath(QStringLiteral("Projet"));
    QDir().mkpath(projet);
    QDir().mkpath(installation + QStringLiteral("/Modèle"));
    if (!QFile::copy(QStringLiteral(QUILLON_SOURCES "/data/Configuration.xml"),
                     installation + QStringLiteral("/Configuration.xml")) ||
        !écrireModèle(installation + QStringLiteral("/Modèle/Gros.c.Modèle")))
        return 1;
    qputenv("XDG_CONFIG_HOME", dossier.filePath(QStringLiteral("config")).toLocal8Bit());
    EtatGlobal& e = etatGlobal();
    e.DossierInstallation = installation;
    e.FichierConfiguration = installation + QStringLiteral("/Configuration.xml");
    e.FichierParamètres = dossier.filePath(QStringLiteral("Paramètres.xml"));
    e.RépertoireDeTravail = projet;
    e.FichierC = projet + QStringLiteral("/essai.c");
    e.AppelantAssistante = QStringLiteral("Ligne de commande");
    valeursMakefile().MicroContrôleur = QStringLiteral("atmega8");
    valeursMakefile().FréquenceCPU = QStringLiteral("8000000");
    EnregistreurMessages messages;
    messages.réponses = {RéponseMessage::Oui};
    noter("départ");
    FeuilleAssistante assistante;
    assistante.show();
    QApplication::processEvents();
    noter("1. assistante ouverte");
    assistante.findChild<QTabWidget*>(QStringLiteral("SSTab1"))->setCurrentIndex(3);
    assistante.voirLeCode();
    QApplication::processEvents();
    noter("2. Voir le code");
    assistante.remplacerExistant();
    noter("3. Remplacer l'existant");
    const bool écrit = QFileInfo(e.FichierC).size() > 3000 * 1000;
    if (!écrit) std::fprintf(stderr, "le source n'a pas été écrit\n");
    return écrit ? 0 : 1;
}

// Mène l'assistante du programme dès qu'elle paraît ; répond Oui puis OK aux boîtes de message.
class Pilote final : public QObject {
public:
    bool eventFilter(QObject* objet, QEvent* e) override {
        auto* w = qobject_cast<QWidget*>(objet);
        if (m_parti || e->type() != QEvent::Show || !w || w->objectName() != u"FeuilleAssistante")
            return false;
        m_parti = true;
        QTimer::singleShot(0, w, [w] {
            w->findChild<QTabWidget*>(QStringLiteral("SSTab1"))->setCurrentIndex(3);
            auto* modèles = w->findChild<QComboBox*>(QStringLiteral("ListeModèle"));
            modèles->setCurrentIndex(modèles->findText(QStringLiteral("Gros")));
            QMetaObject::invokeMethod(w, [w] {
                static_cast<FeuilleAssistante*>(w)->voirLeCode();
                noter("Voir le code");
                static_cast<FeuilleAssistante*>(w)->remplacerExistant();
                noter("Remplacer l'existant");
            });
        });
        return false;
    }

private:
    bool m_parti = false;
};

int programme(char* argv0, char* ligne) {
    // Posé à côté du programme des fenêtres : ses données sont celles de l'installation.
    const QString modèles =
        Installation::depuis(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath()).données +
        QStringLiteral("/Modèle");
    if (!écrireModèle(modèles + QStringLiteral("/Gros.c.Modèle"))) return 1;
    Pilote pilote;
    char* arguments[] = {argv0, ligne, nullptr};
    const int code = ExécuterProgrammeFenêtres(2, arguments, [&pilote] {
        if (!ApplicationGraphique::assurer()) return;
        qApp->installEventFilter(&pilote);
        auto* boîtes = new QTimer(qApp);
        QObject::connect(boîtes, &QTimer::timeout, [] {
            auto* m = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!m) return;
            // Les boutons ont des légendes françaises : on les reconnaît à leur rôle.
            for (QAbstractButton* b : m->buttons())
                if (m->buttonRole(b) == QMessageBox::YesRole || m->buttonRole(b) == QMessageBox::AcceptRole) {
                    b->click();
                    return;
                }
        });
        boîtes->start(50);
    });
    noter("fin du programme");
    return code;
}

} // namespace

int main(int argc, char** argv) {
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("logique");
    if (mode == u"programme") return argc > 2 ? programme(argv[0], argv[2]) : 1;
    QApplication application(argc, argv);
    QTemporaryDir dossier;
    if (mode == u"fenetre") return fenêtre(dossier);
    return logique(dossier, argc > 2 ? std::atoi(argv[2]) : 4);
}
