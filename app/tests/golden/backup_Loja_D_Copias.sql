USE Loja

DECLARE @sSELECT VARCHAR(8000)    
DECLARE @sNomeArquivo VARCHAR(200) 
SET @sNomeArquivo = 'Backup_Loja_'+dbo.fFormatDate('AAAAMMDD',GETDATE()) +'_'+ dbo.fFormatDate('HHmmSS',GETDATE())+'.bak'

SET @sSELECT = 'BACKUP DATABASE [Loja] TO  DISK = N''D:\Copias\'+ @sNomeArquivo +''' WITH NOFORMAT, INIT,  NAME = N''Loja-Full Database Backup'', SKIP, NOREWIND, NOUNLOAD, STATS = 10'

EXEC(@sSELECT)

SELECT @sNomeArquivo NomeArquivo
