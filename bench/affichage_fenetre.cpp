// Ouverture d'une fenêtre, vue de l'extérieur (bench/ouverture_fenetre.sh) : le même démarrage que
// quillon-fenetres, avec un filtre d'évènements posé sur l'application. Dès que la fenêtre de
// l'action (la configuration pour « configurer », l'assistante pour « assistante ») est exposée et
// dessinée, il écrit sur la sortie d'erreur l'heure (« affichée <ns depuis l'époque> ») et la
// ligne VmHWM, puis ferme la fenêtre par sa case de fermeture : rien n'est enregistré.
// Usage : affichage_fenetre "configurer>dossier du projet>nom"
#include "app/ActionsFenetres.h"
#include "ui/fenetres/ApplicationGraphique.h"

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
    explicit Guetteur(QString nomFenêtre) : m_nom(std::move(nomFenêtre)) {}

    bool eventFilter(QObject* objet, QEvent* e) override {
        if (m_vu || e->type() != QEvent::Expose) return false;
        auto* fenêtre = qobject_cast<QWindow*>(objet);
        if (!fenêtre || !fenêtre->isExposed()) return false;
        QWidget* widget = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->windowHandle() == fenêtre && w->objectName() == m_nom) widget = w;
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
    QString m_nom;
    bool m_vu = false;
};

} // namespace

int main(int argc, char** argv) {
    const bool assistante = argc > 1 && QString::fromLocal8Bit(argv[1]).startsWith(
                                            QStringLiteral("assistante"), Qt::CaseInsensitive);
    Guetteur guetteur(assistante ? QStringLiteral("FeuilleAssistante") : QStringLiteral("FenConfiguration"));
    return ExécuterProgrammeFenêtres(argc, argv, [&guetteur] {
        if (ApplicationGraphique::assurer()) qApp->installEventFilter(&guetteur);
    });
}
