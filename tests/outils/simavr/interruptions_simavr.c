/*
 * Banc des interruptions sur simavr : fait tourner un programme ELF, relève chaque entrée dans
 * un vecteur d'interruption (instant en cycles), peut basculer une broche d'entrée un nombre de
 * fois donné et relit des registres en fin de course.
 *
 * interruptions_simavr -m MCU -f HZ [-v N] [-b B1 -k FRONTS -d CYCLES [-h]] [-r ADR]... [-t S] prog.elf
 *   -v : numéro du vecteur suivi
 *   -b : broche pilotée (port et bit), basse au départ, haute avec -h ;
 *        -k fronts, un toutes les -d cycles
 *   -r : registre relu à la fin (espace des données), plusieurs fois permis
 *   -t : durée simulée (1 s par défaut)
 * Sortie : lignes « clé=valeur » : nombre d'interruptions, instants de la première et de la
 * dernière, plus petit et plus grand écart entre deux consécutives (en cycles).
 */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <avr_ioport.h>
#include <sim_avr.h>
#include <sim_cycle_timers.h>
#include <sim_elf.h>
#include <sim_interrupts.h>
#include <sim_irq.h>

#include "banc_simavr.h"

#define MAX_REGISTRES 16

static avr_t* avr = NULL;
static long interruptions = 0;
static avr_cycle_count_t premiere = 0, derniere = 0, ecartMin = 0, ecartMax = 0;

static avr_irq_t* broche = NULL;
static long frontsRestants = 0;
static avr_cycle_count_t intervalle = 0;
static int niveau = 0;

static void surInterruption(struct avr_irq_t* irq, uint32_t valeur, void* param) {
    (void)irq;
    (void)param;
    /* 1 à l'entrée dans la routine, 0 à sa sortie */
    if (!valeur) return;
    if (interruptions > 0) {
        avr_cycle_count_t e = avr->cycle - derniere;
        if (interruptions == 1 || e < ecartMin) ecartMin = e;
        if (e > ecartMax) ecartMax = e;
    } else {
        premiere = avr->cycle;
    }
    derniere = avr->cycle;
    interruptions++;
}

static avr_cycle_count_t basculer(struct avr_t* a, avr_cycle_count_t quand, void* param) {
    (void)a;
    (void)param;
    if (frontsRestants <= 0) return 0;
    niveau = !niveau;
    avr_raise_irq(broche, niveau);
    frontsRestants--;
    return frontsRestants > 0 ? quand + intervalle : 0;
}

/* Sommeil du cœur : simavr attendrait le temps réel ; le banc saute au prochain événement. */
static void sansAttente(struct avr_t* a, avr_cycle_count_t combien) {
    (void)a;
    (void)combien;
}

static void usage(void) {
    fprintf(
        stderr,
        "usage : interruptions_simavr -m MCU -f HZ [-v N] [-b B1 -k N -d C] [-r ADR]... [-t S] prog.elf\n");
    exit(2);
}

int main(int argc, char** argv) {
    const char* mcu = NULL;
    const char* fichier = NULL;
    unsigned long frequence = 0;
    int vecteur = -1;
    char port = 0;
    int bit = -1;
    long registres[MAX_REGISTRES];
    int nombreRegistres = 0;
    double secondes = 1.0;

    for (int i = 1; i < argc; i++) {
        const char* a = argv[i];
        if (strcmp(a, "-h") == 0) {
            niveau = 1;
        } else if (a[0] == '-' && i + 1 < argc) {
            const char* v = argv[++i];
            switch (a[1]) {
            case 'm':
                mcu = v;
                break;
            case 'f':
                frequence = strtoul(v, NULL, 0);
                break;
            case 'v':
                vecteur = atoi(v);
                break;
            case 'b':
                if (strlen(v) != 2) usage();
                port = v[0];
                bit = v[1] - '0';
                break;
            case 'k':
                frontsRestants = atol(v);
                break;
            case 'd':
                intervalle = strtoull(v, NULL, 0);
                break;
            case 'r':
                if (nombreRegistres < MAX_REGISTRES) registres[nombreRegistres++] = strtol(v, NULL, 0);
                break;
            case 't':
                secondes = atof(v);
                break;
            default:
                usage();
            }
        } else {
            fichier = a;
        }
    }
    if (!mcu || !fichier || frequence == 0 || (port && intervalle == 0)) usage();

    avr = charger(mcu, fichier, frequence);
    if (!avr) return 1;
    avr->sleep = sansAttente;

    if (vecteur >= 0) {
        avr_irq_t* irq = avr_get_interrupt_irq(avr, (uint8_t)vecteur);
        if (!irq) {
            fprintf(stderr, "vecteur inconnu de simavr : %d\n", vecteur);
            return 1;
        }
        avr_irq_register_notify(irq + AVR_INT_IRQ_RUNNING, surInterruption, NULL);
    }
    if (port) {
        broche = avr_io_getirq(avr, AVR_IOCTL_IOPORT_GETIRQ(port), bit);
        if (!broche) {
            fprintf(stderr, "broche inconnue : %c%d\n", port, bit);
            return 1;
        }
        avr_raise_irq(broche, niveau);
        /* le programme règle d'abord sa broche : les fronts commencent après */
        avr_cycle_timer_register(avr, intervalle * 4, basculer, NULL);
    }

    avr_cycle_count_t limite = (avr_cycle_count_t)(secondes * (double)frequence);
    int etat = cpu_Running;
    while (etat != cpu_Done && etat != cpu_Crashed && avr->cycle < limite)
        etat = avr_run(avr);
    if (etat == cpu_Crashed) {
        fprintf(stderr, "le programme a planté dans simavr\n");
        return 1;
    }

    printf("cycles=%llu\n", (unsigned long long)avr->cycle);
    printf("interruptions=%ld\n", interruptions);
    if (interruptions >= 2) {
        printf("premiere=%llu\n", (unsigned long long)premiere);
        printf("derniere=%llu\n", (unsigned long long)derniere);
        printf("ecart_min=%llu\n", (unsigned long long)ecartMin);
        printf("ecart_max=%llu\n", (unsigned long long)ecartMax);
    }
    if (port) printf("fronts_restants=%ld\n", frontsRestants);
    for (int i = 0; i < nombreRegistres; i++)
        printf("registre_0x%lx=%d\n", registres[i], lire(avr, (uint16_t)registres[i]));
    avr_terminate(avr);
    return 0;
}
