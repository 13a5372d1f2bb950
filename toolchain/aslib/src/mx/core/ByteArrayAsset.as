package mx.core
{
	import flash.utils.ByteArray;

	/**
	 * Base of the classes the compiler makes for [Embed] files of type
	 * application/octet-stream: `new Data()` is a ByteArray holding the
	 * file's bytes, read from position 0.
	 */
	public class ByteArrayAsset extends ByteArray implements IFlexAsset
	{
		public function ByteArrayAsset()
		{
			super();
		}
	}
}
