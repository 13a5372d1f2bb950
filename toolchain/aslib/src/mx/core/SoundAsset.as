package mx.core
{
	import flash.media.Sound;

	/**
	 * Base of the classes the compiler makes for [Embed] MP3 sounds:
	 * `new Jingle().play()` plays the embedded sound.
	 */
	public class SoundAsset extends Sound implements IFlexAsset
	{
		public function SoundAsset()
		{
			super();
		}
	}
}
