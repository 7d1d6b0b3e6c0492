-- compativel: 1
/* Version 2: what a controller download stored while the controller's event area could not be
   emptied (the area's base and top and the SHA-1 of its bytes: the next download of the same bytes
   stores only what follows them), and the logoff and login check as every station now expects
   them. Only additions and procedures that answer as before: programs of version 1 work on it. */
CREATE TABLE BAIXA_CONTROLADORA (
  CONTROLADORA INTEGER NOT NULL PRIMARY KEY,
  BASE         INTEGER NOT NULL,
  TOPO         INTEGER NOT NULL,
  RESUMO       VARCHAR(40) NOT NULL,
  MOMENTO      TIMESTAMP
);

SET TERM ^ ;

/* Closes the account's open sessions at the station named (NULL and '' are the station without
   a name), or at every station when no station is given. A database made before stations were
   named had the one-parameter form. */
CREATE OR ALTER PROCEDURE USERLOGOFF (PLOGIN VARCHAR(30), PPONTO VARCHAR(100) = NULL)
AS
BEGIN
  IF (PPONTO IS NULL) THEN
    UPDATE SESSAO SET SAIDA = CURRENT_TIMESTAMP WHERE LOGIN = :PLOGIN AND SAIDA IS NULL;
  ELSE
    UPDATE SESSAO SET SAIDA = CURRENT_TIMESTAMP
     WHERE LOGIN = :PLOGIN AND SAIDA IS NULL AND PONTO = :PPONTO;
END^

SET TERM ; ^
