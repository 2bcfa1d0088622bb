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
        Par("annonce").textContent = "";
        fin.hidden = true;
        jeu.hidden = false;
        Montrer();
    }

    function Montrer() {
        const q = questions[ordre[rang]];
        repondu = false;
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
        const juste =
            choisies.length === q.j.length &&
            choisies.every(function (k) {
                return q.j.indexOf(k) >= 0;
            });
        resultats.push(juste);

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

    if (questions.length === 0) {
        Par("vide").hidden = false;
    } else {
        Commencer();
    }
})();
