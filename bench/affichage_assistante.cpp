// Ouverture de l'assistante par l'action « assistante », vue de l'extérieur
// (bench/fenetre_assistante.sh) : le même démarrage que quillon-fenetres, avec un filtre
// d'évènements posé sur l'application. Dès que l'assistante est exposée et dessinée, il écrit sur
// la sortie d'erreur l'heure (« affichée <ns depuis l'époque> ») et la ligne VmHWM, puis la ferme,
// ce qui termine le programme : rien n'est enregistré.
// Usage : affichage_assistante "assistante>dossier du projet>nom"
#include "app/ActionsFenetres.h"
#include "launcher/LigneDeCommande.h"
#include "launcher/Principal.h"
#include "ui/fenetres/ApplicationGraphique.h"
#include "ui/fenetres/ServiceMessagesQt.h"

#include <QApplication>
#include <QDateTime>
#include <QFile>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <cstdio>

namespace {

class Guetteur final : public QObject {
public:
    bool eventFilter(QObject* objet, QEvent* e) override {
        if (m_vu || e->type() != QEvent::Expose) return false;
        auto* fenêtre = qobject_cast<QWindow*>(objet);
        if (!fenêtre || !fenêtre->isExposed()) return false;
        QWidget* widget = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->windowHandle() == fenêtre && w->objectName() == u"FeuilleAssistante") widget = w;
        if (!widget) return false;
        m_vu = true;
        // Le dessin suit l'exposition dans la même passe d'évènements.
        QTimer::singleShot(0, widget, [widget] {
            const qint64 ns = QDateTime::currentDateTimeUtc().toMSecsSinceEpoch() * 1000000;
            QFile statut(QStringLiteral("/proc/self/status"));
            QByteArray mémoire;
            if (statut.open(QIODevice::ReadOnly))
                for (const QByteArray& l : statut.readAll().split('\n'))
                    if (l.startsWith("VmHWM:")) mémoire = l.simplified();
            std::fprintf(stderr, "affichée %lld\n%s\n", static_cast<long long>(ns), mémoire.constData());
            std::fflush(stderr);
            widget->close();
        });
        return false;
    }

private:
    bool m_vu = false;
};

} // namespace

int main(int argc, char** argv) {
    ApplicationGraphique::initialiser(argc, argv);
    ServiceMessagesQt messages;
    installerServiceMessages(&messages);
    EnregistrerActionsFenêtres();
    Guetteur guetteur;
    if (ApplicationGraphique::assurer()) qApp->installEventFilter(&guetteur);

    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const int code = Principal(TexteBrutLigneDeCommande(arguments), DossierDuProgramme(argv[0]));
    installerServiceMessages(nullptr);
    ApplicationGraphique::terminer();
    return code;
}
