// Plays the questionnaire held, scrambled, in #donnees. Texts are put in
// with textContent only, so whatever the teacher typed shows as typed.
(function () {
    "use strict";

    // Must match the scrambling in PageEleve.cpp.
    const kGraine = 0x51c3a7;

    function Debrouiller(octets) {
        let k = kGraine;
        for (let i = 0; i < octets.length; i += 1) {
            k = (Math.imul(k, 1103515245) + 12345) & 0x7fffffff;
            octets[i] ^= (k >>> 16) & 0xff;
        }
        return octets;
    }

    function LireDonnees() {
        const brut = atob(document.getElementById("donnees").textContent.trim());
        const octets = new Uint8Array(brut.length);
        for (let i = 0; i < brut.length; i += 1) {
            octets[i] = brut.charCodeAt(i);
        }
        return JSON.parse(new TextDecoder("utf-8").decode(Debrouiller(octets)));
    }

    function Element(nom, classe, texte) {
        const e = document.createElement(nom);
        if (classe) {
            e.className = classe;
        }
        if (texte !== undefined) {
            e.textContent = texte;
        }
        return e;
    }

    function Par(id) {
        return document.getElementById(id);
    }

    // The runtime of a learning platform (SCORM 1.2 or 2004), when the page
    // is packed for one and one plays it; null otherwise, and the page then
    // plays on its own.
    function Plateforme(version, seuil) {
        if (version !== "1.2" && version !== "2004") {
            return null;
        }
        const v2004 = version === "2004";
        const nomApi = v2004 ? "API_1484_11" : "API";

        // The platform puts its API object on a window above the page's:
        // look up the frames, then up from the window that opened it.
        function Chercher(fenetre) {
            let f = fenetre;
            for (let essais = 0; f && essais < 500; essais += 1) {
                try {
                    if (f[nomApi]) {
                        return f[nomApi];
                    }
                    if (!f.parent || f.parent === f) {
                        return null;
                    }
                    f = f.parent;
                } catch (e) {
                    // A frame of another site: no further.
                    return null;
                }
            }
            return null;
        }
        let api = Chercher(window);
        try {
            if (!api && window.opener) {
                api = Chercher(window.opener);
            }
            if (!api && window.top && window.top.opener) {
                api = Chercher(window.top.opener);
            }
        } catch (e) {
            api = null;
        }
        const fonctions = v2004
            ? ["Initialize", "GetValue", "SetValue", "Commit", "Terminate"]
            : ["LMSInitialize", "LMSGetValue", "LMSSetValue", "LMSCommit", "LMSFinish"];
        if (
            !api ||
            fonctions.some(function (nom) {
                return typeof api[nom] !== "function";
            })
        ) {
            return null;
        }
        try {
            if (String(api[fonctions[0]]("")) !== "true") {
                return null;
            }
        } catch (e) {
            return null;
        }

        // Each element under its name in 1.2 and in 2004.
        const noms = {
            entree: ["cmi.core.entry", "cmi.entry"],
            lieu: ["cmi.core.lesson_location", "cmi.location"],
            duree: ["cmi.core.session_time", "cmi.session_time"],
            sortie: ["cmi.core.exit", "cmi.exit"],
            brut: ["cmi.core.score.raw", "cmi.score.raw"],
            min: ["cmi.core.score.min", "cmi.score.min"],
            max: ["cmi.core.score.max", "cmi.score.max"],
        };
        function Nom(cle) {
            return noms[cle] ? noms[cle][v2004 ? 1 : 0] : cle;
        }
        // A platform that refuses a value must not stop the pupil.
        function Lire(cle) {
            try {
                return String(api[fonctions[1]](Nom(cle)) || "");
            } catch (e) {
                return "";
            }
        }
        function Ecrire(cle, valeur) {
            try {
                api[fonctions[2]](Nom(cle), String(valeur));
            } catch (e) {
                // Told nowhere: the pupil goes on.
            }
        }
        function Valider() {
            try {
                api[fonctions[3]]("");
            } catch (e) {
                // As above.
            }
        }
        function Deux(n) {
            return (n < 10 ? "0" : "") + n;
        }
        // Milliseconds as 1.2 (HH:MM:SS.SS) or 2004 (PT1H2M3.45S) write a span.
        function Duree(ms) {
            const cs = Math.max(0, Math.round(ms / 10));
            const h = Math.min(9999, Math.floor(cs / 360000));
            const m = Math.floor(cs / 6000) % 60;
            const sec = (cs % 6000) / 100;
            if (v2004) {
                return "PT" + h + "H" + m + "M" + sec + "S";
            }
            return Deux(h) + ":" + Deux(m) + ":" + (sec < 10 ? "0" : "") + sec.toFixed(2);
        }
        function Heure(d) {
            const heure = Deux(d.getHours()) + ":" + Deux(d.getMinutes()) + ":" + Deux(d.getSeconds());
            if (!v2004) {
                return heure;
            }
            return d.getFullYear() + "-" + Deux(d.getMonth() + 1) + "-" + Deux(d.getDate()) + "T" + heure;
        }
        function Lettres(indices) {
            return indices
                .map(function (k) {
                    return String.fromCharCode(97 + k);
                })
                .join(v2004 ? "[,]" : ",");
        }

        const debut = Date.now();
        let fini = false;
        let nombre = 0;
        return {
            // The answers saved when the pupil left halfway, or at the end.
            Reprise: function () {
                // SCORM 2004 keeps nothing of a session that ended normally.
                if (v2004 && Lire("entree") !== "resume") {
                    return null;
                }
                try {
                    return JSON.parse(Lire("cmi.suspend_data"));
                } catch (e) {
                    return null;
                }
            },
            Commencer: function (n) {
                nombre = n;
                // A result already given stays.
                const etat = v2004 ? "cmi.completion_status" : "cmi.core.lesson_status";
                if (["", "not attempted", "unknown", "browsed"].indexOf(Lire(etat)) >= 0) {
                    Ecrire(etat, "incomplete");
                }
            },
            // One answer, as an interaction, and what lets the pupil resume.
            Repondre: function (rangReponse, question, choisies, juste, debutQuestion, etat) {
                // After those the platform kept from earlier sessions.
                const compte = parseInt(Lire("cmi.interactions._count"), 10);
                const i = "cmi.interactions." + (compte >= 0 ? compte : rangReponse) + ".";
                const maintenant = new Date();
                Ecrire(i + "id", "question-" + question.n);
                Ecrire(i + "type", "choice");
                if (v2004) {
                    const texte = question.e.replace(/[\s{}]+/g, " ").trim().slice(0, 250);
                    if (texte) {
                        Ecrire(i + "description", "{lang=fr}" + texte);
                    }
                }
                if (question.j.length > 0) {
                    Ecrire(i + "correct_responses.0.pattern", Lettres(question.j));
                }
                if (choisies.length > 0) {
                    Ecrire(i + (v2004 ? "learner_response" : "student_response"), Lettres(choisies));
                }
                Ecrire(i + "result", juste ? "correct" : v2004 ? "incorrect" : "wrong");
                Ecrire(i + (v2004 ? "timestamp" : "time"), Heure(maintenant));
                Ecrire(i + "latency", Duree(maintenant.getTime() - debutQuestion));
                Ecrire("cmi.suspend_data", JSON.stringify(etat));
                Ecrire("lieu", String(etat.r.length));
                Valider();
            },
            Terminer: function (bons, etat) {
                const reussi = bons * 100 >= seuil * nombre;
                Ecrire("brut", bons);
                Ecrire("min", 0);
                Ecrire("max", nombre);
                if (v2004) {
                    Ecrire("cmi.score.scaled", nombre > 0 ? Math.round((bons / nombre) * 1e7) / 1e7 : 1);
                    Ecrire("cmi.completion_status", "completed");
                    Ecrire("cmi.success_status", reussi ? "passed" : "failed");
                } else {
                    Ecrire("cmi.core.lesson_status", reussi ? "passed" : "failed");
                }
                Ecrire("cmi.suspend_data", JSON.stringify(etat));
                Ecrire("lieu", String(etat.r.length));
                Valider();
            },
            // Ends the session; the data stay for the next one, so that a
            // pupil who comes back finds the answers, or the result, again.
            Quitter: function () {
                if (fini) {
                    return;
                }
                fini = true;
                Ecrire("duree", Duree(Date.now() - debut));
                Ecrire("sortie", "suspend");
                Valider();
                try {
                    api[fonctions[4]]("");
                } catch (e) {
                    // The page is going away.
                }
            },
        };
    }

    const donnees = LireDonnees();
    const questions = donnees.q;
    const jeu = Par("jeu");
    const fin = Par("fin");
    const verdict = Par("verdict");
    const valider = Par("valider");
    const suivante = Par("suivante");

    let ordre = [];
    let rang = 0;
    let resultats = [];
    let repondu = false;
    // The propositions chosen at each rank, and when the question came up.
    let reponses = [];
    let debutQuestion = 0;
    const lms = Plateforme(document.body.dataset.scorm, Number(document.body.dataset.seuil));

    function Melanger(t) {
        for (let i = t.length - 1; i > 0; i -= 1) {
            const j = Math.floor(Math.random() * (i + 1));
            const x = t[i];
            t[i] = t[j];
            t[j] = x;
        }
        return t;
    }

    function Commencer() {
        ordre = questions.map(function (_, i) {
            return i;
        });
        if (donnees.m) {
            Melanger(ordre);
        }
        rang = 0;
        resultats = [];
        reponses = [];
        Par("annonce").textContent = "";
        fin.hidden = true;
        jeu.hidden = false;
        Montrer();
    }

    function Montrer() {
        const q = questions[ordre[rang]];
        repondu = false;
        debutQuestion = Date.now();
        Par("numero").textContent = "Question " + (rang + 1) + " sur " + questions.length;
        Par("enonce").textContent = q.e;

        const illustration = Par("illustration");
        illustration.replaceChildren();
        const photo = q.i ? Par(q.i) : null;
        if (photo) {
            const copie = photo.cloneNode(false);
            copie.removeAttribute("id");
            illustration.appendChild(copie);
        }

        const propositions = Par("propositions");
        propositions.replaceChildren();
        q.p.forEach(function (texte, k) {
            const label = Element("label", "proposition");
            const entree = document.createElement("input");
            entree.type = q.u ? "radio" : "checkbox";
            entree.name = "choix";
            entree.value = String(k);
            label.appendChild(entree);
            const corps = Element("span", "proposition-corps");
            corps.appendChild(Element("span", "proposition-texte", texte));
            label.appendChild(corps);
            propositions.appendChild(label);
        });

        verdict.textContent = "";
        verdict.className = "verdict";
        valider.hidden = false;
        suivante.hidden = true;
        suivante.textContent = rang + 1 < questions.length ? "Question suivante" : "Voir le résultat";
        // The statement stays in sight; focus goes where the keyboard answers.
        const premiere = propositions.querySelector("input");
        (premiere || valider).focus({ preventScroll: true });
        if (rang === 0) {
            window.scrollTo(0, 0);
        } else {
            jeu.scrollIntoView({ block: "start" });
        }
    }

    function Marquer(label, classe, texte) {
        label.classList.add(classe);
        label.querySelector(".proposition-corps").appendChild(Element("span", "marque", texte));
    }

    function Juste(q, choisies) {
        return (
            choisies.length === q.j.length &&
            choisies.every(function (k) {
                return q.j.indexOf(k) >= 0;
            })
        );
    }

    function Valider() {
        if (repondu) {
            return;
        }
        const q = questions[ordre[rang]];
        const entrees = Array.prototype.slice.call(Par("propositions").querySelectorAll("input"));
        const choisies = [];
        entrees.forEach(function (entree, k) {
            if (entree.checked) {
                choisies.push(k);
            }
        });
        // An Enter pressed too soon is not an answer.
        if (choisies.length === 0 && q.j.length > 0) {
            verdict.className = "verdict";
            verdict.textContent = "Choisissez une réponse, puis validez.";
            return;
        }
        repondu = true;
        entrees.forEach(function (entree) {
            entree.disabled = true;
        });
        const juste = Juste(q, choisies);
        resultats.push(juste);
        reponses.push(choisies);
        if (lms) {
            lms.Repondre(rang, q, choisies, juste, debutQuestion, { o: ordre, r: reponses });
        }

        entrees.forEach(function (entree, k) {
            const label = entree.parentNode;
            if (q.j.indexOf(k) >= 0) {
                Marquer(label, "juste", "Bonne réponse");
            } else if (entree.checked) {
                Marquer(label, "faux", "Votre choix, faux");
            }
        });

        verdict.replaceChildren();
        verdict.className = "verdict " + (juste ? "bon" : "mauvais");
        verdict.appendChild(
            Element("p", "titre-verdict", juste ? "Bonne réponse !" : "Mauvaise réponse.")
        );
        if (!juste) {
            if (q.c) {
                verdict.appendChild(Element("p", "commentaire", q.c));
            }
            const bonnes = q.j.map(function (k) {
                return q.p[k];
            });
            if (bonnes.length > 0) {
                verdict.appendChild(
                    Element(
                        "p",
                        "solution",
                        (bonnes.length > 1 ? "Les bonnes réponses : " : "La bonne réponse : ") +
                            bonnes.join(" ; ")
                    )
                );
            } else {
                verdict.appendChild(Element("p", "solution", "Aucune proposition n'était juste."));
            }
        }
        valider.hidden = true;
        suivante.hidden = false;
        suivante.focus();
    }

    function Suivante() {
        rang += 1;
        if (rang < questions.length) {
            Montrer();
        } else {
            Terminer();
        }
    }

    function Terminer() {
        jeu.hidden = true;
        const bons = resultats.filter(Boolean).length;
        Par("score").textContent = bons + " / " + questions.length;
        const bilan = Par("bilan");
        bilan.replaceChildren();
        ordre.forEach(function (indice, r) {
            const li = Element("li");
            const etat = Element(
                "span",
                "etat " + (resultats[r] ? "bon" : "mauvais"),
                resultats[r] ? "juste" : "faux"
            );
            li.appendChild(etat);
            li.appendChild(document.createTextNode(" : " + questions[indice].e));
            bilan.appendChild(li);
        });
        if (lms) {
            lms.Terminer(bons, { o: ordre, r: reponses });
            // The platform holds this attempt; another is its to give.
            Par("recommencer").hidden = true;
        }
        fin.hidden = false;
        Par("titre-fin").focus();
        Par("annonce").textContent = "Questionnaire terminé. Score : " + bons + " / " + questions.length;
    }

    jeu.addEventListener("submit", function (evenement) {
        evenement.preventDefault();
        if (repondu) {
            Suivante();
        } else {
            Valider();
        }
    });
    suivante.addEventListener("click", Suivante);
    Par("recommencer").addEventListener("click", Commencer);

    // Saved answers that fit this page: the order of its questions, and
    // for each rank answered the propositions chosen.
    function Reprendre(etat) {
        const n = questions.length;
        if (!etat || !Array.isArray(etat.o) || !Array.isArray(etat.r) || etat.o.length !== n) {
            return false;
        }
        const vus = etat.o.filter(function (i, r) {
            return Number.isInteger(i) && i >= 0 && i < n && etat.o.indexOf(i) === r;
        });
        const valides =
            etat.r.length <= n &&
            etat.r.every(function (choix, r) {
                return (
                    Array.isArray(choix) &&
                    choix.every(function (k) {
                        return Number.isInteger(k) && k >= 0 && k < questions[etat.o[r]].p.length;
                    })
                );
            });
        if (vus.length !== n || !valides) {
            return false;
        }
        ordre = etat.o;
        reponses = etat.r;
        resultats = reponses.map(function (choix, r) {
            return Juste(questions[ordre[r]], choix);
        });
        rang = reponses.length;
        jeu.hidden = rang >= n;
        if (rang >= n) {
            Terminer();
        } else {
            Montrer();
        }
        return true;
    }

    if (lms) {
        lms.Commencer(questions.length);
        window.addEventListener("pagehide", lms.Quitter);
        window.addEventListener("beforeunload", lms.Quitter);
    }
    if (questions.length === 0) {
        Par("vide").hidden = false;
    } else if (!lms || !Reprendre(lms.Reprise())) {
        Commencer();
    }
})();
