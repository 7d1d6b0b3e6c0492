-- compativel: 1
/* Version 3: a card whose position does not change writes nothing. Most reading points record no
   position ('N'), and rewriting the same value still locked the holder's row: the same holder at
   two stations in the same instant, or an operator saving that holder, met a lock conflict and
   waited for a retry. Same answers as before. */
SET TERM ^ ;

CREATE OR ALTER PROCEDURE ATUALIZA_POSICAO (PCHAVE INTEGER, PPOS VARCHAR(1))
AS
BEGIN
  UPDATE USUARIO SET POSICAO = :PPOS WHERE CHAVE = :PCHAVE AND POSICAO IS DISTINCT FROM :PPOS;
END^

SET TERM ; ^
