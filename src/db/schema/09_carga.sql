/* What every installation starts with: one group open all week and one account with every level
   (login "admin", password "admin"). */
INSERT INTO GRUPOS (CHAVE, DESCRICAO, SEGE, SEGS, TERE, TERS, QUAE, QUAS, QUIE, QUIS, SEXE, SEXS,
                    SABE, SABS, DOME, DOMS, NAOACESSOFERIADOS)
VALUES (GEN_ID(GEN_CHAVE_GRUPO, 1), 'Geral', '00:00:00', '23:59:59', '00:00:00', '23:59:59',
        '00:00:00', '23:59:59', '00:00:00', '23:59:59', '00:00:00', '23:59:59',
        '00:00:00', '23:59:59', '00:00:00', '23:59:59', '0');

INSERT INTO CONTA (CHAVE, LOGIN, NOME, SENHA, CARGO, NIVEL01, NIVEL02, NIVEL03, NIVEL04, NIVEL05)
VALUES (GEN_ID(GEN_CHAVE_CONTA, 1), 'admin', 'Administrador', 'admin', 'Administrador',
        '1', '1', '1', '1', '1');
